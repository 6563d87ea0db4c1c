# What a Windows user downloads: `cmake --install` puts this build's programs
# into the install prefix, the 32-bit ones under their own names and the
# 64-bit ones with "-x64" added, so both fit into one folder (scripts/package.sh
# makes the archive).
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(WINDOWS_PROGRAM_SUFFIX "-x64")
else()
  set(WINDOWS_PROGRAM_SUFFIX "")
endif()

# Installs the executable of `target` as <name><suffix>.exe.
function(install_windows_program target name)
  install(PROGRAMS $<TARGET_FILE:${target}> DESTINATION . RENAME ${name}${WINDOWS_PROGRAM_SUFFIX}.exe)
endfunction()
