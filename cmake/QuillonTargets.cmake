# Source layout conventions, so that a subsystem folder needs no CMake edits
# when it grows a file:
#   src/<sub>/*.cpp         portable code, built natively and for Windows
#   src/<sub>/*_win.cpp     Windows-only code (windows, GDI+, COM)
#   src/<sub>/*_posix.cpp   native-only code (the platform seam on Linux)
#   tests/<sub>/*_test.cpp     portable tests: run natively and under Wine
#   tests/<sub>/*_wintest.cpp  Windows-only tests, run under Wine with a display
#   tests/<sub>/*_posixtest.cpp  native-only tests that check outputs with Linux tools

# Bottom-up: each folder includes only folders before it (scripts/check_layers.sh).
set(QUILLON_SUBSYSTEMS platform format pdf settings ui imaging pipeline filelist app cli)

function(quillon_collect_sources out_portable out_win out_posix dir)
  file(GLOB all CONFIGURE_DEPENDS "${dir}/*.cpp")
  set(portable "")
  set(win "")
  set(posix "")
  foreach(f IN LISTS all)
    if(f MATCHES "_win\\.cpp$")
      list(APPEND win "${f}")
    elseif(f MATCHES "_posix\\.cpp$")
      list(APPEND posix "${f}")
    else()
      list(APPEND portable "${f}")
    endif()
  endforeach()
  set(${out_portable} "${portable}" PARENT_SCOPE)
  set(${out_win} "${win}" PARENT_SCOPE)
  set(${out_posix} "${posix}" PARENT_SCOPE)
endfunction()
