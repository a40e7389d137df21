# Run by CPack before it packs the program folder. The packed folder may be
# unpacked anywhere, so its desktop entry cannot name the folder: it starts the
# program beside the entry itself (%k is the entry's own path) and names its
# icon by the theme name. `cmake --install` on the player's machine writes an
# entry with full paths instead.

file(GLOB_RECURSE entries "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*quarrimax.desktop")
set(QUARRIMAX_DESKTOP_EXEC [=[sh -c "cd \\"\\$(dirname \\"\\$0\\")\\" && exec ./quarrimax" %k]=])
set(QUARRIMAX_DESKTOP_PLACE "Icon=quarrimax")
foreach(entry IN LISTS entries)
  configure_file("${CPACK_QUARRIMAX_DESKTOP_TEMPLATE}" "${entry}" @ONLY)
  file(CHMOD "${entry}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
       WORLD_EXECUTE)
endforeach()
