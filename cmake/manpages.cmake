# Manual pages ambview.1, ambcomm.1 and ambsim.1, made at build time by help2man from the
# built programs' --help and --version (so they never fall out of step with the programs) and
# the hand-written sections in packaging/man/*.h2m; installed gzipped into man1.
find_program(HELP2MAN_EXECUTABLE help2man)
find_program(GZIP_EXECUTABLE gzip)
find_program(PERL_EXECUTABLE perl)
if(NOT HELP2MAN_EXECUTABLE OR NOT GZIP_EXECUTABLE OR NOT PERL_EXECUTABLE)
  message(WARNING "help2man, gzip or perl not found: no manual pages are built or installed")
  return()
endif()

set(movilog_man_summary_ambview "analysis program for Movilog recordings")
set(movilog_man_summary_ambcomm "link program for the Movilog recorder (serial line)")
set(movilog_man_summary_ambsim "simulated Movilog recorder on a pseudo-terminal")

set(man_pages)
foreach(program ambview ambcomm ambsim)
  set(dir ${CMAKE_BINARY_DIR}/man)
  # help2man runs this stand-in: the program's own --help put into the shape help2man reads.
  file(GENERATE OUTPUT ${dir}/bin/${program}
       CONTENT "#!/bin/sh\n\"$<TARGET_FILE:${program}>\" \"$@\" | \"${PERL_EXECUTABLE}\" \"${CMAKE_SOURCE_DIR}/packaging/man/gnu_help.pl\"\n"
       FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(include ${CMAKE_SOURCE_DIR}/packaging/man/${program}.h2m)
  add_custom_command(
    OUTPUT ${dir}/${program}.1.gz
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${MOVILOG_SOURCE_DATE_EPOCH}
            ${HELP2MAN_EXECUTABLE} --no-info --section=1 --manual=Movilog
            "--name=${movilog_man_summary_${program}}" --include=${include}
            --output=${dir}/${program}.1 ${dir}/bin/${program}
    COMMAND ${GZIP_EXECUTABLE} -9nf ${dir}/${program}.1
    DEPENDS ${program} ${include} ${CMAKE_SOURCE_DIR}/packaging/man/gnu_help.pl
    COMMENT "Manual page ${program}(1)"
    VERBATIM)
  list(APPEND man_pages ${dir}/${program}.1.gz)
endforeach()
add_custom_target(manpages ALL DEPENDS ${man_pages})
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
