# Installs the build into a scratch prefix and checks that every file a
# desktop and a terminal user need is there.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
    RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
set(expected
    bin/letterfold
    bin/letterfold-cli
    share/applications/letterfold.desktop
    share/metainfo/com.brantwell.Letterfold.metainfo.xml
    share/man/man1/letterfold.1.gz
    share/man/man1/letterfold-cli.1.gz
    share/doc/letterfold/copyright
    share/doc/letterfold/changelog.gz
    share/letterfold/manual/index.html
    share/bash-completion/completions/letterfold-cli
    share/zsh/vendor-completions/_letterfold-cli
    share/fish/vendor_completions.d/letterfold-cli.fish
    share/icons/hicolor/16x16/apps/letterfold.png
    share/icons/hicolor/24x24/apps/letterfold.png
    share/icons/hicolor/32x32/apps/letterfold.png
    share/icons/hicolor/48x48/apps/letterfold.png
    share/icons/hicolor/256x256/apps/letterfold.png
    share/icons/hicolor/scalable/apps/letterfold.svg)
foreach(file IN LISTS expected)
    if(NOT EXISTS ${PREFIX}/${file})
        message(FATAL_ERROR "not installed: ${file}")
    endif()
endforeach()
file(REMOVE_RECURSE ${PREFIX})
