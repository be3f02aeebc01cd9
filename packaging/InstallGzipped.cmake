# lumeter_install_gzipped(SOURCE DESTINATION): installs SOURCE (relative to
# the calling folder) into DESTINATION as SOURCE.gz, compressed as Debian
# wants man pages and changelogs: at the highest level, and without the file's
# name and time in the header, so that the same text always gives the same
# bytes.
function(lumeter_install_gzipped source destination)
  get_filename_component(name ${source} NAME)
  set(input ${CMAKE_CURRENT_SOURCE_DIR}/${source})
  set(output ${CMAKE_CURRENT_BINARY_DIR}/${name}.gz)
  add_custom_command(OUTPUT ${output}
                     COMMAND sh -c "gzip -9 -n -c \"$1\" > \"$2\"" gzip ${input} ${output}
                     DEPENDS ${input}
                     COMMENT "Compressing ${name}"
                     VERBATIM)
  string(MAKE_C_IDENTIFIER "gzip_${name}" target)
  add_custom_target(${target} ALL DEPENDS ${output})
  install(FILES ${output} DESTINATION ${destination})
endfunction()
