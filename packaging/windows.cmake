# SPDX-FileCopyrightText: 2026 Zendral developers
# SPDX-License-Identifier: GPL-3.0-or-later

# The game for Windows as one folder that runs where it is unpacked: zendral.exe, the plugins it needs
# (the window system, the style, the sound back end), exactly the DLLs these load (found by reading
# their imports, so a DLL linked but never loaded stays out), and the sounds and info file beside it.
# `cmake --install` fills the folder; tools/windows.sh zips it, and tests/package/check_winzip.sh checks it.
set(QX_WIN_PLUGINS
    "platforms|$<TARGET_FILE:Qt6::QWindowsIntegrationPlugin>"
    "styles|$<TARGET_FILE:Qt6::QWindowsVistaStylePlugin>"
    "multimedia|$<TARGET_FILE:Qt6::QWindowsMediaPlugin>")
set(QX_WIN_PLUGIN_FILES)
foreach(entry ${QX_WIN_PLUGINS})
  string(REPLACE "|" ";" entry "${entry}")
  list(GET entry 0 folder)
  list(GET entry 1 file)
  install(FILES ${file} DESTINATION ${folder})
  list(APPEND QX_WIN_PLUGIN_FILES ${file})
endforeach()

# Where the DLLs come from: Qt's own folder and the compiler's runtime.
set(QX_WIN_DLL_DIRS "$<TARGET_FILE_DIR:Qt6::Core>")
if(MINGW)
  foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll} OUTPUT_VARIABLE path
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
      message(FATAL_ERROR "The compiler does not know where ${dll} is")
    endif()
    get_filename_component(dir "${path}" DIRECTORY)
    list(APPEND QX_WIN_DLL_DIRS "${dir}")
  endforeach()
endif()

install(CODE "
  set(QX_FILES \"$<TARGET_FILE:zendral>\" ${QX_WIN_PLUGIN_FILES})
  set(QX_DLL_DIRS ${QX_WIN_DLL_DIRS})
  set(QX_OBJDUMP \"${CMAKE_OBJDUMP}\")
  set(QX_STRIP \"${CMAKE_STRIP}\")
  set(QX_DEST \"\${CMAKE_INSTALL_PREFIX}\")
  include(\"${CMAKE_CURRENT_SOURCE_DIR}/windows-dlls.cmake\")
")
