#pragma once
// A small R2000 drawing for reader tests: tables, a block, a few entities and the root dictionary.

#include <string>

#include "dxf_groups.h"

namespace kx::test {

inline std::string sampleDrawing() {
  return dxfText(R"(0 SECTION | 2 HEADER
9 $ACADVER | 1 AC1015 | 9 $DWGCODEPAGE | 3 ANSI_1252 | 9 $HANDSEED | 5 40
0 ENDSEC
0 SECTION | 2 TABLES
0 TABLE | 2 LAYER | 5 2 | 330 0 | 100 AcDbSymbolTable | 70 1
0 LAYER | 5 10 | 330 2 | 100 AcDbSymbolTableRecord | 100 AcDbLayerTableRecord
2 0 | 70 0 | 62 7 | 6 Continuous
0 ENDTAB
0 TABLE | 2 BLOCK_RECORD | 5 1 | 330 0 | 100 AcDbSymbolTable | 70 1
0 BLOCK_RECORD | 5 1F | 330 1 | 100 AcDbSymbolTableRecord | 100 AcDbBlockTableRecord
2 *Model_Space
0 ENDTAB
0 ENDSEC
0 SECTION | 2 BLOCKS
0 BLOCK | 5 20 | 330 1F | 100 AcDbEntity | 8 0 | 100 AcDbBlockBegin | 2 *Model_Space | 70 0
10 0.0 | 20 0.0 | 30 0.0 | 3 *Model_Space
0 ENDBLK | 5 21 | 330 1F | 100 AcDbEntity | 8 0 | 100 AcDbBlockEnd
0 ENDSEC
0 SECTION | 2 ENTITIES
0 TEXT | 5 30 | 330 1F | 100 AcDbEntity | 8 0 | 100 AcDbText
10 1.0 | 20 2.0 | 30 0.0 | 40 2.5 | 1 Hello | 100 AcDbText
0 LINE | 5 31 | 330 1F | 100 AcDbEntity | 8 0 | 62 1 | 100 AcDbLine
10 0.0 | 20 0.0 | 30 0.0 | 11 10.0 | 21 5.0 | 31 0.0 | 1001 APP | 1000 xdata kept
0 ENDSEC
0 SECTION | 2 OBJECTS
0 DICTIONARY | 5 C | 330 0 | 100 AcDbDictionary
0 ENDSEC
0 EOF)");
}

}  // namespace kx::test
