# Both programs come from one tree. The shared sources are compiled once per
# program into a core of object files that every program, test and fuzz
# target links whole, so a second definition of a function fails the link
# instead of being chosen silently. KOVA_SECOND_BUILD feeds the constexpr
# switch in base/build.h. kanji/ goes only into rcKovaGL, build2/ only into
# rcKovaGL2.
set(KOVA_SUBSYSTEMS base adi display GlxDraw ui commands config render3d dialogs image)
set(KOVA_SHARED_SOURCES "")
foreach(dir ${KOVA_SUBSYSTEMS})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
  list(APPEND KOVA_SHARED_SOURCES ${srcs})
endforeach()
list(REMOVE_ITEM KOVA_SHARED_SOURCES ${CMAKE_SOURCE_DIR}/adi/main.cpp)
# The logic that needs neither Motif nor an X server: its unit tests link it
# alone.
set(KOVA_LOGIC_SOURCES
    ${CMAKE_SOURCE_DIR}/base/files.cpp
    ${CMAKE_SOURCE_DIR}/image/rgb_image.cpp
    ${CMAKE_SOURCE_DIR}/ui/icons.cpp
    ${CMAKE_SOURCE_DIR}/ui/menu_tree.cpp
    ${CMAKE_SOURCE_DIR}/ui/resource_file.cpp
    ${CMAKE_SOURCE_DIR}/ui/side_menu_rules.cpp
    ${CMAKE_SOURCE_DIR}/ui/status_logic.cpp
    ${CMAKE_SOURCE_DIR}/ui/text_ring.cpp
    ${CMAKE_SOURCE_DIR}/ui/toolbar_config.cpp
    ${CMAKE_SOURCE_DIR}/ui/window_logic.cpp)
list(REMOVE_ITEM KOVA_SHARED_SOURCES ${KOVA_LOGIC_SOURCES})
add_library(kova_logic OBJECT ${KOVA_LOGIC_SOURCES})
target_include_directories(kova_logic PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(kova_logic PUBLIC X11::X11)
file(GLOB KOVA_KANJI_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/kanji/*.cpp)
file(GLOB KOVA_BUILD2_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/build2/*.cpp)

function(kova_driver name second)
  set(core ${name}_core)
  set(objects ${name}_objects)
  if(second)
    add_library(${objects} OBJECT ${KOVA_SHARED_SOURCES} ${KOVA_BUILD2_SOURCES})
  else()
    add_library(${objects} OBJECT ${KOVA_SHARED_SOURCES} ${KOVA_KANJI_SOURCES})
  endif()
  target_compile_definitions(${objects} PUBLIC KOVA_SECOND_BUILD=${second})
  target_link_libraries(${objects} PUBLIC kova_logic kovagl Motif::Xm X11::Xt X11::Xmu X11::Xpm X11::Xext X11::X11)
  # What links the core gets every object file of it and of the logic.
  add_library(${core} INTERFACE)
  target_link_libraries(${core} INTERFACE ${objects} $<TARGET_OBJECTS:${objects}> $<TARGET_OBJECTS:kova_logic>)
  add_executable(${name} ${CMAKE_SOURCE_DIR}/adi/main.cpp)
  target_link_libraries(${name} PRIVATE ${core})
endfunction()

kova_driver(rcKovaGL 0)
kova_driver(rcKovaGL2 1)
