# The program folder: every file the build puts beside the program registers
# itself here, and the install rules copy exactly that list, so an installed
# copy can never lack a file that build/bin has.

# soarnote_program_file(<path relative to the program folder>...)
function(soarnote_program_file)
  set_property(GLOBAL APPEND PROPERTY SOARNOTE_PROGRAM_FILES ${ARGN})
endfunction()

# Installs the program and every registered file into one program folder
# (which may be read-only); a link in bin starts it. Call once, after every
# subdirectory has registered its files.
function(soarnote_install_program_folder)
  include(GNUInstallDirs)
  set(folder ${CMAKE_INSTALL_LIBDIR}/soarnote)
  install(TARGETS soarnote RUNTIME DESTINATION ${folder})
  get_property(files GLOBAL PROPERTY SOARNOTE_PROGRAM_FILES)
  list(REMOVE_DUPLICATES files)
  foreach(rel IN LISTS files)
    get_filename_component(sub "${rel}" DIRECTORY)
    install(FILES "${SOARNOTE_BIN_DIR}/${rel}" DESTINATION "${folder}/${sub}")
  endforeach()
  install(CODE "file(MAKE_DIRECTORY \$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR})
    file(CREATE_LINK ../${folder}/soarnote \$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/soarnote SYMBOLIC)")
endfunction()
