# Windows version resources: every DLL and the EXE carry the product's version
# and the runtime version they are built for (kRuntimeVersion in
# common/functions.h, 200 there, "2.00" here).
set(ORDERLINK_RUNTIME_VERSION_TEXT "2.00")

function(orderlink_version_resource target description)
  if(NOT WIN32)
    return()
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(ORDERLINK_RC_TYPE VFT_APP)
    set(ORDERLINK_RC_FILE ${target}.exe)
  else()
    set(ORDERLINK_RC_TYPE VFT_DLL)
    set(ORDERLINK_RC_FILE ${target}.dll)
  endif()
  set(ORDERLINK_RC_NAME ${target})
  set(ORDERLINK_RC_DESCRIPTION "${description}")
  set(ORDERLINK_RC_RUNTIME ${ORDERLINK_RUNTIME_VERSION_TEXT})
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
endfunction()
