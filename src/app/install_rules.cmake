# orrisbay_install_link(TARGET): installs a program into the program folder
# (beside the palette) and a relative symbolic link to it where commands are found.
set(ORRISBAY_INSTALL_PROGRAM_DIR ${CMAKE_INSTALL_LIBDIR}/orrisbay)
function(orrisbay_install_link target)
    set(program_dir ${CMAKE_INSTALL_LIBDIR}/orrisbay)
    install(TARGETS ${target} RUNTIME DESTINATION ${program_dir})
    file(RELATIVE_PATH link_target ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}
         ${CMAKE_INSTALL_PREFIX}/${program_dir}/${target})
    install(CODE "
        set(bin_dir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
        file(MAKE_DIRECTORY \"\${bin_dir}\")
        message(STATUS \"Linking: \${bin_dir}/${target} -> ${link_target}\")
        file(CREATE_LINK \"${link_target}\" \"\${bin_dir}/${target}\" SYMBOLIC)")
endfunction()
