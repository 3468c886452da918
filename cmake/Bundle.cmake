# Lays a program out as an application bundle:
#   <dir>/<name>.app/Contents/{Info.plist, MacOS/<executable>, Resources/...}
#
# purlane_bundle(TARGET t NAME purlaneAgent DIR <parent dir> IDENTIFIER com.x.y
#                TEMPLATE resources/Info.plist.in [RESOURCES file...] [LOCALIZED file...])
function(purlane_bundle)
  cmake_parse_arguments(B "" "TARGET;NAME;DIR;IDENTIFIER;TEMPLATE;DISPLAY_NAME"
                        "RESOURCES;LOCALIZED" ${ARGN})
  set(contents ${B_DIR}/${B_NAME}.app/Contents)
  set_target_properties(${B_TARGET} PROPERTIES
    OUTPUT_NAME ${B_NAME}
    RUNTIME_OUTPUT_DIRECTORY ${contents}/MacOS)

  set(BUNDLE_EXECUTABLE ${B_NAME})
  set(BUNDLE_NAME ${B_NAME})
  if(B_DISPLAY_NAME)
    set(BUNDLE_NAME ${B_DISPLAY_NAME})
  endif()
  set(BUNDLE_IDENTIFIER ${B_IDENTIFIER})
  set(BUNDLE_SHORT_VERSION ${PROJECT_VERSION})
  set(BUNDLE_VERSION ${PURLANE_BUILD_NUMBER})
  set(BUNDLE_COPYRIGHT ${PURLANE_COPYRIGHT})
  configure_file(${B_TEMPLATE} ${contents}/Info.plist @ONLY)

  foreach(res ${B_RESOURCES})
    get_filename_component(fname ${res} NAME)
    configure_file(${res} ${contents}/Resources/${fname} COPYONLY)
  endforeach()
  foreach(res ${B_LOCALIZED})
    get_filename_component(fname ${res} NAME)
    configure_file(${res} ${contents}/Resources/en.lproj/${fname} COPYONLY)
  endforeach()
  file(MAKE_DIRECTORY ${contents}/Resources ${contents}/SharedSupport)
endfunction()
