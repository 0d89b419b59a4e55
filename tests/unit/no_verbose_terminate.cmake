# cmake -DFILES="a.exe;b.exe" -P no_verbose_terminate.cmake
# Fails when a program carries libstdc++'s verbose terminate handler (its report text gives it
# away): that handler brings the demangler and stdio, tens of kilobytes, into the program.
foreach(file IN LISTS FILES)
  file(STRINGS "${file}" found REGEX "terminate called after throwing")
  if(found)
    message(FATAL_ERROR "${file} carries libstdc++'s verbose terminate handler")
  endif()
endforeach()
