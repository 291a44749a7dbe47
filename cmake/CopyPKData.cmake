# Assembles build/dist/PKData from the source PKData folder (cmake -P, with SRC and DST).
# Settings files (AppSets/) are copied only when missing: the module writes its settings
# there, and a rebuild must never put back the shipped version over what the user changed.
# Everything else is refreshed when it differs. Build files and picture sources (*.svg,
# rendered by the build) are not copied.
file(GLOB_RECURSE files RELATIVE ${SRC} ${SRC}/*)
foreach(rel IN LISTS files)
  if(rel STREQUAL "CMakeLists.txt" OR rel MATCHES "\\.svg$")
    continue()
  endif()
  set(out ${DST}/${rel})
  get_filename_component(dir ${out} DIRECTORY)
  file(MAKE_DIRECTORY ${dir})
  if(rel MATCHES "^AppSets/")
    if(NOT EXISTS ${out})
      file(COPY_FILE ${SRC}/${rel} ${out})
    endif()
  else()
    file(COPY_FILE ${SRC}/${rel} ${out} ONLY_IF_DIFFERENT)
  endif()
endforeach()
