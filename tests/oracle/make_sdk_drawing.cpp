// Makes one entity of each type a module can make through kxdbEntMake, from lists without
// subclass markers, and saves the drawing for check_sdk_drawing.py to read with ezdxf.
//
// Usage: make_sdk_drawing OUT.dxf

#include <cstdio>
#include <exception>
#include <filesystem>
#include <vector>

#include "db/dxf_io.h"
#include "db/entities.h"
#include "db/new_drawing.h"
#include "db/symbol_tables.h"
#include "editor/session.h"
#include "kx/kxdb.h"
#include "support/drawing.h"

namespace {

// A block "MARK" holding one line, made with the database directly: the SDK's block classes are
// not what is tested here.
void addBlock(kx::db::Database& db) {
  const kx::db::ObjectId mark = kx::test::addBlock(db, "MARK");
  kx::test::addLine(db, {0, 0, 0}, {1, 1, 0}, {.block = mark});
}

bool make(resbuf* list, const char* what) {
  const int status = kxdbEntMake(list);
  kxutRelRb(list);
  if (status != KXRT_NORM) std::fprintf(stderr, "make_sdk_drawing: %s was refused\n", what);
  return status == KXRT_NORM;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_sdk_drawing OUT.dxf\n");
    return 2;
  }
  try {
    auto& doc = kx::editor::Session::instance().open(kx::db::newDrawing());
    addBlock(doc.db());
    const double a[3] = {1, 2, 0}, b[3] = {11, 7, 0}, c[3] = {11, 12, 0}, d[3] = {1, 12, 0};
    const double e[3] = {20, 0, 0}, z[3] = {0, 0, 1};
    bool ok = true;
    ok &= make(kxutBuildList(KXRT_DXF0, L"LINE", 8, L"Lines", 10, a, 11, b, 62, 1, 0), "LINE");
    ok &= make(kxutBuildList(KXRT_DXF0, L"CIRCLE", 10, a, 40, 2.5, 0), "CIRCLE");
    ok &= make(kxutBuildList(KXRT_DXF0, L"ARC", 10, b, 40, 3.0, 50, 0.0, 51, 1.5707963267948966, 0),
               "ARC");
    ok &= make(kxutBuildList(KXRT_DXF0, L"TEXT", 1, L"Grüße", 10, a, 40, 2.0, 50,
                             0.7853981633974483, 72, 1, 11, c, 0),
               "TEXT");
    ok &= make(kxutBuildList(KXRT_DXF0, L"MTEXT", 10, d, 40, 1.5, 41, 30.0, 71, 5, 3,
                             L"first chunk of a long text, ", 1, L"and its end", 0),
               "MTEXT");
    ok &= make(kxutBuildList(KXRT_DXF0, L"LWPOLYLINE", 70, 1, 10, a, 42, 0.5, 10, b, 10, c, 42,
                             -1.0, 10, d, 0),
               "LWPOLYLINE");
    ok &= make(kxutBuildList(KXRT_DXF0, L"SOLID", 10, a, 11, b, 12, d, 13, c, 0), "SOLID");
    ok &= make(kxutBuildList(KXRT_DXF0, L"3DFACE", 10, a, 11, b, 12, c, 13, d, 70, 1, 0), "3DFACE");
    ok &= make(kxutBuildList(KXRT_DXF0, L"POINT", 10, e, 210, z, 0), "POINT");
    ok &= make(kxutBuildList(KXRT_DXF0, L"INSERT", 2, L"MARK", 10, e, 41, 2.0, 42, 2.0, 50,
                             0.5235987755982988, 0),
               "INSERT");
    ok &= make(kxutBuildList(KXRT_DXF0, L"ATTDEF", 10, c, 40, 2.5, 1, L"default", 2, L"TAG1", 3,
                             L"Value?", 70, 0, 0),
               "ATTDEF");
    ok &= make(kxutBuildList(KXRT_DXF0, L"CIRCLE", 67, 1, 10, e, 40, 1.0, 0), "paper CIRCLE");
    if (!ok) return 1;
    const std::filesystem::path out = argv[1];
    if (out.has_parent_path()) std::filesystem::create_directories(out.parent_path());
    kx::db::saveDxfFile(doc.db(), out);
  } catch (const std::exception& ex) {
    std::fprintf(stderr, "make_sdk_drawing: %s\n", ex.what());
    return 1;
  }
  return 0;
}
