# One library target per folder. Sources are the folder's own .cpp/.h files; a folder
# without sources yet is an interface target so that layers above can already link it.
#
#   ostrel_layer(<target> [DEPS <targets>...])
function(ostrel_layer target)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS
    "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/*.h")
  list(FILTER sources INCLUDE REGEX "\\.cpp$")
  # An executable's entry point stays out of its folder's library.
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  if(sources)
    file(GLOB headers CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.h")
    add_library(${target} STATIC ${sources} ${headers})
    target_include_directories(${target} PUBLIC "${PROJECT_SOURCE_DIR}/src")
    target_link_libraries(${target} PUBLIC ${ARG_DEPS})
    # Ninja runs moc again only when a file it saw last time changes, so a header that
    # arrives through the glob would never be moc'ed in an existing build folder. When the
    # folder's list of files changes, drop moc's timestamp so that it runs once more.
    set(listing "${CMAKE_CURRENT_BINARY_DIR}/${target}_files.txt")
    string(REPLACE ";" "\n" listing_text "${sources};${headers}")
    set(previous "")
    if(EXISTS "${listing}")
      file(READ "${listing}" previous)
    endif()
    if(NOT previous STREQUAL listing_text)
      file(WRITE "${listing}" "${listing_text}")
      file(REMOVE "${CMAKE_CURRENT_BINARY_DIR}/${target}_autogen/timestamp")
    endif()
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE "${PROJECT_SOURCE_DIR}/src")
    target_link_libraries(${target} INTERFACE ${ARG_DEPS})
  endif()
endfunction()
