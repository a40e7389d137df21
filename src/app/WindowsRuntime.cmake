# Run by `cmake --install` (and so by CPack) for Windows: puts beside
# quarrimax.exe the Qt plugins it loads and every DLL that the program and
# those plugins need, found by following the DLL imports of each file
# recursively (objdump -p) in the Qt and compiler folders. DLLs that are not
# found there belong to Windows itself and stay out. Stripped when the install
# strips (CPack does).
#
# Set before: QUARRIMAX_EXE, QUARRIMAX_QT_PLUGINS (files, each
# FOLDER/NAME.dll below Qt's plugins folder), QUARRIMAX_QT_PLUGIN_DIR,
# QUARRIMAX_DLL_DIRS, QUARRIMAX_OBJDUMP, QUARRIMAX_STRIP.

cmake_policy(VERSION 3.25)
set(destination "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
set(plugins "")
foreach(plugin IN LISTS QUARRIMAX_QT_PLUGINS)
  get_filename_component(folder "${plugin}" DIRECTORY)
  file(INSTALL "${QUARRIMAX_QT_PLUGIN_DIR}/${plugin}" DESTINATION "${destination}/${folder}")
  list(APPEND plugins "${QUARRIMAX_QT_PLUGIN_DIR}/${plugin}")
endforeach()

# Every DLL in those folders, by its name in lower case: Windows matches DLL
# names without regard to case, and the imports do not always spell them as
# the files are named.
foreach(folder IN LISTS QUARRIMAX_DLL_DIRS)
  file(GLOB candidates "${folder}/*.dll")
  foreach(candidate IN LISTS candidates)
    get_filename_component(name "${candidate}" NAME)
    string(TOLOWER "${name}" lower)
    if(NOT DEFINED dll_${lower})
      set(dll_${lower} "${candidate}")
    endif()
  endforeach()
endforeach()

# The imports of each file, followed from the program and the plugins.
set(queue "${QUARRIMAX_EXE}" ${plugins})
set(found "")
while(queue)
  list(POP_FRONT queue file)
  execute_process(COMMAND "${QUARRIMAX_OBJDUMP}" -p "${file}" OUTPUT_VARIABLE imports RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "objdump could not read ${file}")
  endif()
  string(REGEX MATCHALL "DLL Name: [^\r\n]+" names "${imports}")
  foreach(entry IN LISTS names)
    string(REGEX REPLACE "^DLL Name: " "" name "${entry}")
    string(STRIP "${name}" name)
    string(TOLOWER "${name}" lower)
    if(DEFINED dll_${lower})
      if(NOT "${dll_${lower}}" IN_LIST found)
        list(APPEND found "${dll_${lower}}")
        list(APPEND queue "${dll_${lower}}")
      endif()
    elseif(lower MATCHES "^(qt6|libstdc|libgcc|libwinpthread)")
      message(FATAL_ERROR "${name}, needed by ${file}, is in none of: ${QUARRIMAX_DLL_DIRS}")
    endif()
    # Anything else is a DLL of Windows itself (KERNEL32.dll, the API sets).
  endforeach()
endwhile()

set(dlls "")
foreach(dll IN LISTS found)
  file(INSTALL "${dll}" DESTINATION "${destination}")
  get_filename_component(name "${dll}" NAME)
  list(APPEND dlls "${destination}/${name}")
endforeach()
foreach(plugin IN LISTS QUARRIMAX_QT_PLUGINS)
  list(APPEND dlls "${destination}/${plugin}")
endforeach()
if(CMAKE_INSTALL_DO_STRIP AND QUARRIMAX_STRIP)
  foreach(dll IN LISTS dlls)
    execute_process(COMMAND "${QUARRIMAX_STRIP}" --strip-unneeded "${dll}" RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "could not strip ${dll}")
    endif()
  endforeach()
endif()
