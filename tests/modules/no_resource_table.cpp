// A shared object that looks like a resource module by name but exports no resource table; the
// host must refuse to load it as one.

extern "C" __attribute__((visibility("default"))) int kxNotAResourceTable() {
  return 42;
}
