# "make package": a Debian package of the installed files, for "apt install ./zelvaro_*.deb".
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zelvaro)
# The version the program shows, "1.5c (5th July 1999)", without its date.
file(STRINGS ${PROJECT_SOURCE_DIR}/src/core/version.h version_line REGEX "ProgramVersion = ")
string(REGEX REPLACE ".*\"([^ ]+) .*" "\\1" CPACK_PACKAGE_VERSION "${version_line}")
set(CPACK_PACKAGE_CONTACT "The Zelvaro developers <developers@zelvaro.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "mail the turns of a play-by-e-mail game of Stars! to its players")
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
       "After the host of a Stars! game has generated a turn, Zelvaro mails every\n"
       "player his own result file, with the universe file and extra files when\n"
       "asked, over SMTP, with a subject and a body filled from templates. It keeps a\n"
       "player database and a game file per game, logs every send session, and mails\n"
       "whole games unattended from the command line (cron, systemd timers).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION mail)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries' packages come from what the program links, as Debian's own packages do.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Only the program's own files: the tests and tools install nothing.
set(CPACK_STRIP_FILES ON)
include(CPack)
