# The kit a user installs: `cmake --install BUILD --prefix DIR` lays out DIR/gORVA with index.cfg,
# the module in its platform folder and the configuration files the application reads.
set(GORVA_KIT_DIR gORVA CACHE STRING "The kit's folder under the install prefix")

configure_file(${CMAKE_SOURCE_DIR}/kit/index.cfg.in ${CMAKE_BINARY_DIR}/generated/kit/index.cfg @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/generated/kit/index.cfg DESTINATION ${GORVA_KIT_DIR} COMPONENT kit)
install(TARGETS gorva_plugin LIBRARY DESTINATION ${GORVA_KIT_DIR}/${GORVA_KIT_PLATFORM} COMPONENT kit
        RUNTIME DESTINATION ${GORVA_KIT_DIR}/${GORVA_KIT_PLATFORM} COMPONENT kit)
file(GLOB GORVA_KIT_CONFIGS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/config/*.cfg ${CMAKE_SOURCE_DIR}/kit/*.cfg)
install(FILES ${GORVA_KIT_CONFIGS} DESTINATION ${GORVA_KIT_DIR}/configs COMPONENT kit)
