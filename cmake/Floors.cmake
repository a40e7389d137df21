# The floors of src/: which folders the sources of a folder may include from.
#
#   quarrimax_floor_sees(FOLDER [SEEN...])
#
# stops the configuration when a source of src/FOLDER includes a header of
# another folder of src/ than those SEEN, as in #include "state/Declare.h".
# The sources are watched, so the check runs again whenever one changes.
function(quarrimax_floor_sees folder)
  set(seen ${ARGN} ${folder})
  set(root ${PROJECT_SOURCE_DIR}/src)
  file(GLOB sources CONFIGURE_DEPENDS ${root}/${folder}/*.cpp ${root}/${folder}/*.h)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${sources})
  foreach(source IN LISTS sources)
    file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[A-Za-z_]+/")
    foreach(line IN LISTS includes)
      string(REGEX REPLACE "^[^\"]*\"([A-Za-z_]+)/.*$" "\\1" included "${line}")
      if(IS_DIRECTORY ${root}/${included} AND NOT included IN_LIST seen)
        file(RELATIVE_PATH shown ${PROJECT_SOURCE_DIR} ${source})
        message(FATAL_ERROR "${shown} includes from src/${included}/, but src/${folder}/ sees only "
                            "the folders ${seen}: ${line}")
      endif()
    endforeach()
  endforeach()
endfunction()
