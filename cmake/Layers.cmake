# A layer is a static library made of every source file in its folder (and,
# with RECURSE, its subfolders), so that adding a file needs no edit here. A
# folder without sources yet gives an interface library with the same name and
# links.
#
# Each layer is included by its path under the tree's top folder, as in
# "model/Product.h" or "ui/reviews/ReviewListModel.h". Its include root holds
# nothing but a link to its own folder, so a layer sees only the headers of the
# layers it links: an include that reaches up a floor fails to compile.
function(rk_add_layer name)
  cmake_parse_arguments(ARG "RECURSE" "" "LINKS" ${ARGN})
  set(glob GLOB)
  if(ARG_RECURSE)
    set(glob GLOB_RECURSE)
  endif()
  file(${glob} sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  file(${glob} headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)

  if(sources)
    add_library(${name} STATIC ${sources} ${headers})
    # moc only looks at headers it saw in the last run; when the list of
    # headers changes (a pull, a new class), make it run again.
    set(header_list ${CMAKE_CURRENT_BINARY_DIR}/${name}_headers.txt)
    string(JOIN "\n" header_text ${headers})
    set(previous_text "")
    if(EXISTS ${header_list})
      file(READ ${header_list} previous_text)
    endif()
    if(NOT previous_text STREQUAL header_text)
      file(WRITE ${header_list} "${header_text}")
      file(REMOVE ${CMAKE_CURRENT_BINARY_DIR}/${name}_autogen/timestamp)
    endif()
    rk_include_as_layer(${name} PUBLIC)
    target_compile_options(${name} PRIVATE ${RK_WARNINGS})
    target_link_libraries(${name} PUBLIC ${ARG_LINKS})
  else()
    add_library(${name} INTERFACE)
    rk_include_as_layer(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE ${ARG_LINKS})
  endif()
endfunction()

# Gives `target` the include root of the current folder: a folder holding
# only a link to it, named by its path under the tree's top folder
# (source/ui -> "ui", source/platform/store -> "platform/store",
# tests/support -> "support").
function(rk_include_as_layer target scope)
  file(RELATIVE_PATH path ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  string(REGEX REPLACE "^[^/]+/" "" path ${path})
  set(include_root ${PROJECT_BINARY_DIR}/layers/${target})
  get_filename_component(link_parent ${include_root}/${path} DIRECTORY)
  file(MAKE_DIRECTORY ${link_parent})
  if(NOT IS_SYMLINK ${include_root}/${path})
    file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${include_root}/${path} SYMBOLIC)
  endif()
  target_include_directories(${target} ${scope} ${include_root})
endfunction()
