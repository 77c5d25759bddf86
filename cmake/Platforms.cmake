# The module on each platform, the Windows loader and the installable kit. Included by the top
# CMakeLists.txt after the gorva_plugin target is defined.

if(WIN32)
  # gORVA_801.dll: only _ILxModule_Create exported (the SDK marks it dllexport), the C++ and GCC
  # runtimes and winpthread linked in, so it imports nothing but Windows system DLLs.
  set_target_properties(gorva_plugin PROPERTIES SUFFIX ".dll" LINK_OPTIONS "")
  target_link_options(gorva_plugin PRIVATE -static-libgcc -static-libstdc++ -static
                      LINKER:--undefined=_ILxModule_Create LINKER:--no-undefined)
  add_subdirectory(loader)
  set(GORVA_KIT_PLATFORM win64)
elseif(APPLE)
  # A Mach-O bundle (CMake links a MODULE library with -bundle); the entry point its only export.
  set_target_properties(gorva_plugin PROPERTIES LINK_OPTIONS "")
  target_link_options(gorva_plugin PRIVATE LINKER:-exported_symbol,__ILxModule_Create
                      LINKER:-undefined,error)
  set(GORVA_KIT_PLATFORM macos)
else()
  set(GORVA_KIT_PLATFORM linux64)
endif()

include(${CMAKE_CURRENT_LIST_DIR}/Kit.cmake)
