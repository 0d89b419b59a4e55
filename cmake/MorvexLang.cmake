# morvex_copy_lang(TARGET): the translation files (lang/*.strings) beside TARGET's executable,
# in a lang folder, where the program looks for them. Copied before TARGET is built and again
# whenever a file changes, also when TARGET itself is unchanged.
function(morvex_copy_lang target)
  file(GLOB lang_files CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/lang/*.strings")
  set(destination "$<TARGET_FILE_DIR:${target}>/lang")
  add_custom_target(${target}_lang
    COMMAND ${CMAKE_COMMAND} -E make_directory "${destination}"
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${lang_files} "${destination}"
    COMMENT "Translation files beside ${target}"
    VERBATIM)
  add_dependencies(${target} ${target}_lang)
endfunction()
