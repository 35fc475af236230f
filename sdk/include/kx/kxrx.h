#pragma once
// Run-time classes: every host object knows its class, and a class knows its parent, so a caller
// can test what an object is (isKindOf) and cast it safely (cast gives null for the wrong class).

class KxRxClass {
 public:
  KxRxClass(const wchar_t* name, const KxRxClass* parent) : name_(name), parent_(parent) {}
  const wchar_t* name() const { return name_; }
  const KxRxClass* myParent() const { return parent_; }
  bool isDerivedFrom(const KxRxClass* other) const {
    for (const KxRxClass* c = this; c; c = c->parent_)
      if (c == other) return true;
    return false;
  }

 private:
  const wchar_t* name_;
  const KxRxClass* parent_;
};

class KxRxObject {
 public:
  virtual ~KxRxObject() = default;
  static const KxRxClass* desc();
  virtual const KxRxClass* isA() const { return desc(); }
  bool isKindOf(const KxRxClass* cls) const { return isA()->isDerivedFrom(cls); }
  static KxRxObject* cast(const KxRxObject* object) { return const_cast<KxRxObject*>(object); }
};

// Declares desc(), isA() and cast() of a class.
#define KX_RX_DECLARE_MEMBERS(CLASS)                                  \
  static const KxRxClass* desc();                                     \
  const KxRxClass* isA() const override {                             \
    return desc();                                                    \
  }                                                                   \
  static CLASS* cast(const KxRxObject* object) {                      \
    return object && object->isKindOf(desc())                         \
               ? static_cast<CLASS*>(const_cast<KxRxObject*>(object)) \
               : nullptr;                                             \
  }
