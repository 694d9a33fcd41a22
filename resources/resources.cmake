# Program resources: files under resources/ embedded into the engine as byte
# arrays, so the program needs nothing beside it but its data folder.
# Each generated header lands in ${CMAKE_BINARY_DIR}/generated/resources/.
set(VORTEXEL_RESOURCE_FILES
  banner.bmp # the start-up dialog's banner, drawn by tools/make_banner.cpp
)

set(resource_headers)
foreach(file ${VORTEXEL_RESOURCE_FILES})
  get_filename_component(stem ${file} NAME_WE)
  set(header ${CMAKE_BINARY_DIR}/generated/resources/${stem}_data.h)
  add_custom_command(
    OUTPUT ${header}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${CMAKE_SOURCE_DIR}/resources/${file} -DOUTPUT=${header}
            -DNAME=k_${stem}_data -P ${CMAKE_SOURCE_DIR}/resources/embed.cmake
    DEPENDS ${CMAKE_SOURCE_DIR}/resources/${file} ${CMAKE_SOURCE_DIR}/resources/embed.cmake
    COMMENT "Embedding resources/${file}"
    VERBATIM)
  list(APPEND resource_headers ${header})
endforeach()
target_sources(vortexel_engine PRIVATE ${resource_headers})
