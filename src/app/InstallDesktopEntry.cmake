# Writes quarrimax.desktop into the program folder that `cmake --install` is
# filling, naming the program and the icon of that folder by their full paths
# and starting the program in it. A DESTDIR, when set, is a staging folder that
# those names leave out. Needs QUARRIMAX_DESKTOP_TEMPLATE.

cmake_path(ABSOLUTE_PATH CMAKE_INSTALL_PREFIX BASE_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}" NORMALIZE
           OUTPUT_VARIABLE folder)
string(REGEX REPLACE "(.)/$" "\\1" folder "${folder}")

# A value of the desktop entry: a backslash is written as two.
function(desktop_string text out)
  string(REPLACE "\\" "\\\\" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# The program's path as the Exec key wants it: quoted when it holds a blank or
# another reserved character, with '"', '`', '$' and '\' escaped inside the
# quotes, and '%' doubled.
function(desktop_exec program out)
  string(REPLACE "%" "%%" program "${program}")
  if(program MATCHES "[] \t\n\"'\\\\><~|&;$*?#()`[]")
    string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" program "${program}")
    set(program "\"${program}\"")
  endif()
  desktop_string("${program}" program)
  set(${out} "${program}" PARENT_SCOPE)
endfunction()

desktop_exec("${folder}/quarrimax" QUARRIMAX_DESKTOP_EXEC)
desktop_string("${folder}" place)
desktop_string("${folder}/quarrimax.svg" icon)
set(QUARRIMAX_DESKTOP_PLACE "Path=${place}\nIcon=${icon}")

set(entry "$ENV{DESTDIR}${folder}/quarrimax.desktop")
message(STATUS "Installing: ${entry}")
configure_file("${QUARRIMAX_DESKTOP_TEMPLATE}" "${entry}" @ONLY)
file(CHMOD "${entry}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
     WORLD_EXECUTE)
