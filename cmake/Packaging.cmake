# What a Windows user downloads: `cmake --install` puts this build's programs
# into the install prefix, the 32-bit ones under their own names and the
# 64-bit ones with "-x64" added, so both fit into one folder
# (scripts/package.sh makes the archive). WINDOWS_PE_KIND is what the
# programs of this build are: PE32 or PE32+.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(WINDOWS_PROGRAM_SUFFIX "-x64")
  set(WINDOWS_PE_KIND "PE32+")
else()
  set(WINDOWS_PROGRAM_SUFFIX "")
  set(WINDOWS_PE_KIND "PE32")
endif()

# Installs the executable of `target` as <name><suffix>.exe.
function(install_windows_program target name)
  install(PROGRAMS $<TARGET_FILE:${target}> DESTINATION . RENAME ${name}${WINDOWS_PROGRAM_SUFFIX}.exe)
endfunction()
