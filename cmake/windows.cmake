# The Windows build: everything linked statically, so a program runs under
# wine without the compiler's DLLs beside it.
add_link_options(-static)
# GL/gl.h and GL/glu.h need these three without windows.h, which only the
# platform layer includes.
add_compile_definitions("WINGDIAPI=__declspec(dllimport)" "APIENTRY=__stdcall" "CALLBACK=__stdcall")

# The layer's own headers (sys/select.h, X11/..., GL/glx.h) stand where the
# system's would.
include_directories(BEFORE ${PROJECT_SOURCE_DIR}/platform/win)

# Pi and its kin from math.h, which a strict standard mode hides here, and
# localtime_r of time.h.
add_compile_definitions(_USE_MATH_DEFINES _POSIX_THREAD_SAFE_FUNCTIONS)

# The libraries the server's folders name: GL and GLU of the system, the X,
# XInput and GLX calls of the platform layer, libtiff and libjpeg of
# scripts/win-deps.
find_package(TIFF REQUIRED)
find_package(JPEG REQUIRED)
add_library(qob_win_gl INTERFACE)
target_link_libraries(qob_win_gl INTERFACE opengl32 glu32)
add_library(qob_win_x INTERFACE)
foreach(name OpenGL::GL OpenGL::GLU)
  add_library(${name} ALIAS qob_win_gl)
endforeach()
foreach(name OpenGL::GLX X11::X11 X11::Xi)
  add_library(${name} ALIAS qob_win_x)
endforeach()

add_subdirectory(base)
add_subdirectory(gl)
add_subdirectory(platform)
add_subdirectory(runtime)
add_subdirectory(scene)
add_subdirectory(setup_files)
add_subdirectory(view)
add_subdirectory(toolkit)
add_subdirectory(link)
add_subdirectory(builder)
add_subdirectory(launcher)
target_link_libraries(qob_win_x INTERFACE win_x win_events win_glx)

if(QOB_TESTS)
  enable_testing()
  add_subdirectory(tests)
endif()
# The demo application for the server under wine.
add_subdirectory(tools)

if(QOB_BENCH)
  add_executable(pipe_read_bench bench/pipe_read_bench.cpp)
  target_link_libraries(pipe_read_bench PRIVATE platform)
  qob_warnings(pipe_read_bench)
  add_executable(motion_bench bench/motion_bench.cpp)
  target_include_directories(motion_bench PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(motion_bench PRIVATE win_x)
  qob_warnings(motion_bench)
  add_executable(silent_child bench/silent_child.cpp)
  qob_warnings(silent_child)
  add_executable(silent_children_bench bench/silent_children_bench.cpp)
  target_link_libraries(silent_children_bench PRIVATE platform)
  qob_warnings(silent_children_bench)
  add_dependencies(silent_children_bench silent_child)
  add_executable(icon_draw_bench bench/icon_draw_bench.cpp toolkit/ui_window_icon.cpp)
  target_include_directories(icon_draw_bench PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(icon_draw_bench PRIVATE win_x)
  qob_warnings(icon_draw_bench)
  add_executable(glx_make_current_bench bench/glx_make_current_bench.cpp)
  target_include_directories(glx_make_current_bench PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(glx_make_current_bench PRIVATE win_glx)
  qob_warnings(glx_make_current_bench)
  if(TARGET qob_test_support)
    # A repaint of lit facet trees against a minimal GL program, in process.
    add_executable(draw_bench bench/draw_bench.cpp)
    target_include_directories(draw_bench PRIVATE ${PROJECT_SOURCE_DIR})
    target_link_libraries(draw_bench PRIVATE view scene link qob_test_support)
    qob_warnings(draw_bench)
  endif()
endif()
