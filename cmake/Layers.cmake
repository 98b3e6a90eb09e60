# A layer is a static library made of every source file in its folder, so
# that adding a file needs no edit here. A folder without sources yet gives an
# interface library with the same name and links.
function(rk_add_layer name)
  cmake_parse_arguments(ARG "" "" "LINKS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS
    ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  list(FILTER sources INCLUDE REGEX "\\.cpp$")
  if(sources)
    file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
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
    target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    target_compile_options(${name} PRIVATE ${RK_WARNINGS})
    target_link_libraries(${name} PUBLIC ${ARG_LINKS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_LINKS})
  endif()
endfunction()
