# Include roots that follow the link graph.
#
# A layer's headers are reachable only through a folder of its own in the build tree, made of
# links to the sources and published as the library's include directory. A target that may not
# link a layer does not see its headers either, so an include that reaches up or sideways fails
# to compile instead of waiting for a reviewer.

# Publishes the headers of `folder` (relative to the source root) as `target`'s include root.
# FILES links the folder's own headers one by one and leaves its subfolders, each a layer of its
# own, out; without it the whole folder, subfolders included, belongs to the target.
function(ornetta_layer_headers target folder)
  cmake_parse_arguments(PARSE_ARGV 2 arg "FILES" "" "")
  set(root ${PROJECT_BINARY_DIR}/layers/${target})
  if(arg_FILES)
    file(MAKE_DIRECTORY ${root}/${folder})
    file(GLOB headers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.h)
    foreach(header ${headers})
      get_filename_component(name ${header} NAME)
      file(CREATE_LINK ${header} ${root}/${folder}/${name} SYMBOLIC)
    endforeach()
  else()
    get_filename_component(parent ${root}/${folder} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  endif()
  target_include_directories(${target} PUBLIC ${root})
endfunction()
