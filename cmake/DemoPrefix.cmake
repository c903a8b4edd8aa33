# The demo desktop installation that `make run` and `make screenshots` start the wizard with: a
# folder shaped like the Wine prefix the desktop product lives in, with its registry key, the
# sample files of examples/ in its documents folder and three small map regions.
#   cmake -DSOURCE_DIR=<source tree> -DPREFIX=<prefix to make> -P DemoPrefix.cmake
# system.reg is written last: it is the build's mark that the prefix is whole.
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE "${PREFIX}")
set(installation "${PREFIX}/drive_c/Program Files/Tavrelin/Vexlorn")
file(MAKE_DIRECTORY "${installation}/Docs" "${installation}/Maps/Europe" "${PREFIX}/dosdevices")
file(CREATE_LINK "../drive_c" "${PREFIX}/dosdevices/c:" SYMBOLIC)
foreach(sample trip.wpt morning.trk)
  file(COPY_FILE "${SOURCE_DIR}/examples/${sample}" "${installation}/Docs/${sample}")
endforeach()

# Regions are opaque to the wizard, which only copies them: filler of a region's usual size, a
# background map and two detail maps, made one after the other so they list newest first.
set(block "Tavrelin demo map region, not a real map. ")
foreach(region "World.tdx:40000" "Europe/Alps.imi:80000" "Europe/Brittany.imi:50000")
  string(REPLACE ":" ";" parts "${region}")
  list(GET parts 0 name)
  list(GET parts 1 repeats)
  string(REPEAT "${block}" ${repeats} content)
  file(WRITE "${installation}/Maps/${name}" "${content}")
endforeach()

file(WRITE "${PREFIX}/system.reg"
     "WINE REGISTRY Version 2\n\n"
     "[Software\\\\Tavrelin] 1700000000\n\n"
     "[Software\\\\Tavrelin\\\\Vexlorn] 1700000000\n"
     "\"Path\"=\"C:\\\\Program Files\\\\Tavrelin\\\\Vexlorn\"\n")
