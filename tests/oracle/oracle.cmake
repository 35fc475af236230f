# Checks of what kxhost saves, by readers we did not write: Debian's
# python3-ezdxf and LibreCAD. Run them alone with `ctest -L oracle`.

set(KX_ORACLE_PYTHON /usr/bin/python3 CACHE FILEPATH
    "Python interpreter that has Debian's python3-ezdxf")
if(NOT EXISTS ${KX_ORACLE_PYTHON})
  message(WARNING "No ${KX_ORACLE_PYTHON}: the oracle tests are left out (run scripts/setup)")
  return()
endif()

set(KX_ORACLE_SCRIPTS ${CMAKE_CURRENT_LIST_DIR})
set(KX_ORACLE_DIR ${CMAKE_BINARY_DIR}/oracle)
set(KX_ORACLE_HOST ${CMAKE_BINARY_DIR}/bin/kxhost)

# The drawings make_drawings.py writes; it fails when this list and the
# script disagree.
set(KX_ORACLE_DRAWINGS
    sample_R12 sample_R2000 sample_R2004 sample_R2007 sample_R2010 sample_R2013 sample_R2018
    sample_R12_ANSI_936 sample_R12_ANSI_1252
    sample_R2000_ANSI_936 sample_R2000_ANSI_1252
    sample_R2004_ANSI_936 sample_R2004_ANSI_1252)

add_test(NAME oracle.make_drawings
  COMMAND ${KX_ORACLE_PYTHON} ${KX_ORACLE_SCRIPTS}/make_drawings.py ${KX_ORACLE_DIR}
          ${KX_ORACLE_DRAWINGS})
set_tests_properties(oracle.make_drawings PROPERTIES
  FIXTURES_SETUP kx_oracle_drawings LABELS oracle TIMEOUT 120)

foreach(drawing IN LISTS KX_ORACLE_DRAWINGS)
  add_test(NAME oracle.roundtrip.${drawing}
    COMMAND ${KX_ORACLE_PYTHON} ${KX_ORACLE_SCRIPTS}/roundtrip.py ${KX_ORACLE_HOST}
            ${KX_ORACLE_DIR}/${drawing}.dxf ${KX_ORACLE_DIR}/saved/${drawing}.dxf)
  set_tests_properties(oracle.roundtrip.${drawing} PROPERTIES
    FIXTURES_REQUIRED kx_oracle_drawings LABELS oracle TIMEOUT 600)
endforeach()

add_test(NAME oracle.new_drawing
  COMMAND ${KX_ORACLE_PYTHON} ${KX_ORACLE_SCRIPTS}/roundtrip.py --new ${KX_ORACLE_HOST}
          ${KX_ORACLE_DIR}/saved/new_drawing.dxf)
set_tests_properties(oracle.new_drawing PROPERTIES LABELS oracle TIMEOUT 600)
