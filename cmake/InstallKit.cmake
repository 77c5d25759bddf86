# Installs the kit of a build into a fresh folder: cmake -DBUILD=DIR -DPREFIX=DIR -P InstallKit.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD}" --component kit --prefix "${PREFIX}"
                RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "installing the kit into ${PREFIX} failed")
endif()
