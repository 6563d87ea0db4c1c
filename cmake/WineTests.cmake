# Each test executable runs twice under Wine: in the C locale (ANSI code page
# 1252) and in zh_CN.UTF-8 (code page 936, Chinese system messages). All runs
# share one Wine prefix inside the build folder, prepared once by a fixture.
# The test programs run through the toolchain's loader for this architecture
# (CMAKE_CROSSCOMPILING_EMULATOR); Wine's own tools that make and set up the
# prefixes through the 64-bit one (WINE_TOOL_LOADER), since a prefix serves
# both architectures.
# A native Windows build runs each test once, in the system's own code page.
if(NOT CMAKE_CROSSCOMPILING)
  function(add_wine_test target)
    add_test(NAME ${target} COMMAND ${target} ${ARGN})
  endfunction()
  return()
endif()

set(WINE_TEST_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)

add_test(NAME wine_prefix COMMAND ${WINE_TOOL_LOADER} wineboot --init)
set_tests_properties(wine_prefix PROPERTIES
  FIXTURES_SETUP wine
  ENVIRONMENT "WINEPREFIX=${WINE_TEST_PREFIX};WINEDEBUG=-all")

function(add_wine_test target)
  foreach(variant "cp1252;C" "cp936;zh_CN.UTF-8")
    list(GET variant 0 suffix)
    list(GET variant 1 locale)
    add_test(NAME ${target}.${suffix} COMMAND ${target} ${ARGN})
    set_tests_properties(${target}.${suffix} PROPERTIES
      FIXTURES_REQUIRED wine
      RESOURCE_LOCK wine_desktop
      ENVIRONMENT "WINEPREFIX=${WINE_TEST_PREFIX};WINEDEBUG=-all;LC_ALL=${locale};LANG=${locale}")
  endforeach()
endfunction()

# Runs of a GUI test executable at other system DPIs (LogPixels). The DPI
# belongs to the prefix and the other tests expect 96, so these runs have a
# prefix of their own, made with the window settings of `reg_file`; each run
# sets its DPI before it starts (tests/wine_at_dpi.sh).
function(add_wine_dpi_test target reg_file)
  set(prefix ${CMAKE_BINARY_DIR}/wineprefix-dpi)
  add_test(NAME wine_dpi_prefix
    COMMAND sh -c "\"$0\" wineboot --init && \"$0\" regedit /S \"$1\"" ${WINE_TOOL_LOADER} "Z:${reg_file}")
  set_tests_properties(wine_dpi_prefix PROPERTIES
    FIXTURES_SETUP wine_dpi
    ENVIRONMENT "WINEPREFIX=${prefix};WINEDEBUG=-all")
  foreach(dpi 120 144)
    foreach(variant "cp1252;C" "cp936;zh_CN.UTF-8")
      list(GET variant 0 suffix)
      list(GET variant 1 locale)
      add_test(NAME ${target}.dpi${dpi}.${suffix}
        COMMAND bash ${PROJECT_SOURCE_DIR}/tests/wine_at_dpi.sh ${CMAKE_CROSSCOMPILING_EMULATOR} ${dpi}
                $<TARGET_FILE:${target}> ${ARGN})
      set_tests_properties(${target}.dpi${dpi}.${suffix} PROPERTIES
        FIXTURES_REQUIRED wine_dpi
        RESOURCE_LOCK wine_desktop
        ENVIRONMENT "WINEPREFIX=${prefix};WINEDEBUG=-all;LC_ALL=${locale};LANG=${locale}")
    endforeach()
  endforeach()
endfunction()
