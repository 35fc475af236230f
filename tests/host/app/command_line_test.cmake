# Runs kxhost the way a user does and checks exit status, messages and files.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

function(run expect_ok)
  execute_process(COMMAND ${KXHOST} ${ARGN} INPUT_FILE /dev/null RESULT_VARIABLE rc
                  OUTPUT_VARIABLE out
                  ERROR_VARIABLE err)
  set(rc ${rc} PARENT_SCOPE)
  set(out "${out}" PARENT_SCOPE)
  set(err "${err}" PARENT_SCOPE)
  if(expect_ok AND NOT rc EQUAL 0)
    message(FATAL_ERROR "kxhost ${ARGN} failed (${rc}): ${err}")
  elseif(NOT expect_ok AND rc EQUAL 0)
    message(FATAL_ERROR "kxhost ${ARGN} succeeded but should not have")
  endif()
endfunction()

function(expect_one_line_error needle)
  string(REGEX MATCHALL "\n" newlines "${err}")
  list(LENGTH newlines count)
  if(NOT count EQUAL 1 OR NOT err MATCHES "${needle}")
    message(FATAL_ERROR "expected one line with '${needle}', got: ${err}")
  endif()
endfunction()

# A new drawing from the template, saved and opened again.
run(TRUE -o ${WORK}/new.dxf)
run(TRUE ${WORK}/new.dxf -o ${WORK}/again.dxf)
file(READ ${WORK}/new.dxf first)
file(READ ${WORK}/again.dxf second)
if(NOT first STREQUAL second)
  message(FATAL_ERROR "a new drawing changed when opened and saved again")
endif()

# Nothing to open, not a drawing, a cut-off group code in the middle.
run(FALSE ${WORK}/missing.dxf -o ${WORK}/out.dxf)
expect_one_line_error("missing.dxf: cannot open")
file(WRITE ${WORK}/letter.dxf "Dear reader,\nthis is no drawing.\n")
run(FALSE ${WORK}/letter.dxf -o ${WORK}/out.dxf)
expect_one_line_error("letter.dxf:1: not a DXF file")
string(REPLACE "AcDbSymbolTable\n" "AcDbSymbolTable\nxx\nyy\n" broken "${first}")
file(WRITE ${WORK}/broken.dxf "${broken}")
run(FALSE ${WORK}/broken.dxf -o ${WORK}/out.dxf)
expect_one_line_error("broken.dxf:[0-9]+: 'xx' is not a group code")
if(EXISTS ${WORK}/out.dxf)
  message(FATAL_ERROR "a failed load left an output file")
endif()

# A save that cannot happen leaves the original alone and says why.
run(FALSE ${WORK}/new.dxf -o ${WORK}/no/such/dir/out.dxf)
expect_one_line_error("cannot save")

# Repairs are reported on standard error and the result is saved.
string(REPLACE "ENDSEC\n  0\nEOF\n" "" cut "${first}")
file(WRITE ${WORK}/cut.dxf "${cut}")
run(TRUE ${WORK}/cut.dxf -o ${WORK}/fixed.dxf)
if(NOT err MATCHES "cut.dxf: repaired")
  message(FATAL_ERROR "no repair notice for a cut-off drawing: ${err}")
endif()

# Commands typed at the command line: a layer made current and locked, a variable set, a command
# that does not exist (said, and the run goes on), and a script file after the -c lines.
file(WRITE ${WORK}/typed.scr
     "LAYER\nM\nWalls\nL\nWalls\n\n; a comment line\nSETVAR\nTEXTSIZE\n3.5\n")
run(TRUE -o ${WORK}/typed.dxf -c NOSUCHCMD -s ${WORK}/typed.scr)
if(NOT out MATCHES "Unknown command \"NOSUCHCMD\"")
  message(FATAL_ERROR "no word about an unknown command: ${out}")
endif()
execute_process(
  COMMAND /usr/bin/python3 -c "import ezdxf, sys
d = ezdxf.readfile(sys.argv[1])
assert d.layers.get('Walls').is_locked(), 'Walls not locked'
assert d.header['$CLAYER'] == 'Walls', d.header['$CLAYER']
assert d.header['$TEXTSIZE'] == 3.5, d.header['$TEXTSIZE']" ${WORK}/typed.dxf
  RESULT_VARIABLE rc ERROR_VARIABLE check)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "typed commands did not land in the drawing: ${check}")
endif()

# A script that cannot be read stops the run before anything is saved.
run(FALSE -o ${WORK}/never.dxf -s ${WORK}/no-such.scr)
expect_one_line_error("cannot read script")
