# Qdx on Windows: the icon in each program, Qt's libraries beside Qdx.exe on
# `cmake --install`, and an installer made by `cpack` (NSIS: makensis on the
# path, on Windows or Linux) with a Start-menu entry and an uninstaller.

# The icon (help/desktop/qdx.ico: 32 and 256 pixels, made from the PNGs with
# icoutils' `icotool -c -o qdx.ico qdx-32.png -r qdx-256.png`).
foreach(program ${QDX_PROGRAMS})
  if(TARGET ${program})
    target_sources(${program} PRIVATE ${CMAKE_SOURCE_DIR}/help/desktop/qdx.rc)
  endif()
endforeach()

if(QDX_QT)
  # windeployqt copies the Qt libraries and plugins Qdx.exe needs into bin
  # (Qt 6.5 renamed the option that names the script).
  if(Qt6_VERSION VERSION_LESS 6.5)
    qt_generate_deploy_app_script(TARGET qdx FILENAME_VARIABLE QDX_DEPLOY_SCRIPT
      NO_UNSUPPORTED_PLATFORM_ERROR)
  else()
    qt_generate_deploy_app_script(TARGET qdx OUTPUT_SCRIPT QDX_DEPLOY_SCRIPT
      NO_UNSUPPORTED_PLATFORM_ERROR)
  endif()
  install(SCRIPT ${QDX_DEPLOY_SCRIPT})
endif()

set(CPACK_GENERATOR NSIS64)
set(CPACK_PACKAGE_NAME Qdx)
set(CPACK_PACKAGE_VENDOR Qdx)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Qdx: the records, commissions and payouts of a multi-level affiliate program")
set(CPACK_PACKAGE_INSTALL_DIRECTORY Qdx)
set(CPACK_PACKAGE_FILE_NAME Qdx-${PROJECT_VERSION}-windows)
set(CPACK_NSIS_PACKAGE_NAME Qdx)
set(CPACK_NSIS_DISPLAY_NAME Qdx)
set(CPACK_NSIS_MUI_ICON ${CMAKE_SOURCE_DIR}/help/desktop/qdx.ico)
set(CPACK_NSIS_MUI_UNIICON ${CMAKE_SOURCE_DIR}/help/desktop/qdx.ico)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
if(QDX_QT)
  # The Start-menu entry and the icon Windows shows in its list of programs.
  set(CPACK_PACKAGE_EXECUTABLES Qdx Qdx)
  set(CPACK_NSIS_INSTALLED_ICON_NAME bin\\\\Qdx.exe)
else()
  set(CPACK_NSIS_INSTALLED_ICON_NAME bin\\\\qdx-report.exe)
endif()
include(CPack)
