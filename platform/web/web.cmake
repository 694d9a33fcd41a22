# The browser build (./web.sh): the engine's sources compiled by Emscripten
# into build-web/vortexel.html with its .js, .wasm and .data (the data folder
# packed). Platform services take their web forms from platform/web/, the GL
# names gfx/web/include maps; everything else is the desktop's code.
#
# VORTEXEL_WEB_DEPS names the prefix tools/web-deps.sh built the libraries
# into (SDL2, libsndfile with Ogg, Vorbis, FLAC and Opus, libopenmpt, kissfft).
if(NOT VORTEXEL_WEB_DEPS OR NOT EXISTS ${VORTEXEL_WEB_DEPS}/lib/libSDL2.a)
  message(FATAL_ERROR "VORTEXEL_WEB_DEPS must name the libraries tools/web-deps.sh built")
endif()
set(VORTEXEL_WEB_DATA ${CMAKE_SOURCE_DIR}/Data CACHE PATH "The data folder packed into the page")

# Sources the browser has no use for, or that the web forms replace: the
# desktop's window, second context, dialog and text rasteriser, processes,
# file watching and terminal keys, live editing, and the capture's writers.
set(WEB_EXCLUDED
  platform/GLWindow.cpp platform/SharedGLContext.cpp platform/DialogWindow.cpp
  platform/TextRaster.cpp platform/Process.cpp platform/FileWatch.cpp platform/TerminalKeys.cpp
  capture/CaptureSession.cpp capture/VideoEncoder.cpp capture/FrameQueue.cpp
  capture/PngWriter.cpp capture/WavWriter.cpp capture/ProgressLine.cpp capture/CaptureTarget.cpp)
set(WEB_DIRS core script framework gfx math effects platform resources capture)

set(WEB_SOURCES)
foreach(dir ${WEB_DIRS})
  file(GLOB dir_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
  list(APPEND WEB_SOURCES ${dir_sources})
endforeach()
foreach(file ${WEB_EXCLUDED})
  list(REMOVE_ITEM WEB_SOURCES ${CMAKE_SOURCE_DIR}/${file})
endforeach()
file(GLOB web_platform CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/web/*.cpp)
list(APPEND WEB_SOURCES ${web_platform} ${CMAKE_SOURCE_DIR}/gfx/web/WebGL.cpp)

# DevIL's interface is served by platform/web/ImageLibrary.cpp; its headers
# come from the desktop's development package.
file(COPY /usr/include/IL/il.h /usr/include/IL/ilu.h DESTINATION ${CMAKE_BINARY_DIR}/include/IL)

add_library(vortexel_engine STATIC ${WEB_SOURCES})
target_include_directories(vortexel_engine BEFORE PUBLIC ${CMAKE_SOURCE_DIR}/gfx/web/include)
target_include_directories(vortexel_engine PUBLIC
  ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/generated ${CMAKE_BINARY_DIR}/include
  ${VORTEXEL_WEB_DEPS}/include ${VORTEXEL_WEB_DEPS}/include/SDL2
  ${VORTEXEL_WEB_DEPS}/include/kissfft)
target_compile_definitions(vortexel_engine PUBLIC
  VORTEXEL_VERSION="${PROJECT_VERSION}" VORTEXEL_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
  kiss_fft_scalar=float)
include(${CMAKE_SOURCE_DIR}/resources/resources.cmake)

add_executable(vortexel ${CMAKE_SOURCE_DIR}/app/web/WebMain.cpp
  ${CMAKE_SOURCE_DIR}/app/Startup.cpp ${CMAKE_SOURCE_DIR}/app/StartupDialog.cpp)
set_target_properties(vortexel PROPERTIES SUFFIX ".html")
target_link_libraries(vortexel PRIVATE vortexel_engine
  ${VORTEXEL_WEB_DEPS}/lib/libsndfile.a ${VORTEXEL_WEB_DEPS}/lib/libvorbisenc.a
  ${VORTEXEL_WEB_DEPS}/lib/libvorbis.a ${VORTEXEL_WEB_DEPS}/lib/libFLAC.a
  ${VORTEXEL_WEB_DEPS}/lib/libopus.a ${VORTEXEL_WEB_DEPS}/lib/libogg.a
  ${VORTEXEL_WEB_DEPS}/lib/libopenmpt.a ${VORTEXEL_WEB_DEPS}/lib/libkissfft-float.a
  ${VORTEXEL_WEB_DEPS}/lib/libSDL2.a)
set(WEB_LINK_OPTIONS
  -sLEGACY_GL_EMULATION=1 -sMIN_WEBGL_VERSION=1 -sMAX_WEBGL_VERSION=1
  -sASYNCIFY=1 -sASYNCIFY_STACK_SIZE=262144
  -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=134217728
  -sEXIT_RUNTIME=0
  -sMINIFY_HTML=0 # Debian's emcc fails to start its HTML minifier
  "-sEXPORTED_FUNCTIONS=[_main,_malloc,_free]"
  # SDL2 2.26's Web Audio code calls $autoResumeAudioContext and $dynCall
  # without declaring them; a response file keeps the $ away from the shell.
  @${CMAKE_SOURCE_DIR}/platform/web/link.rsp
  --shell-file ${CMAKE_SOURCE_DIR}/platform/web/shell.html
  --preload-file ${VORTEXEL_WEB_DATA}@/Data)
target_link_options(vortexel PRIVATE ${WEB_LINK_OPTIONS})
set_property(TARGET vortexel APPEND PROPERTY LINK_DEPENDS
  ${CMAKE_SOURCE_DIR}/platform/web/shell.html ${CMAKE_SOURCE_DIR}/platform/web/link.rsp)
file(GLOB web_data CONFIGURE_DEPENDS ${VORTEXEL_WEB_DATA}/*)
set_property(TARGET vortexel APPEND PROPERTY LINK_DEPENDS ${web_data})
