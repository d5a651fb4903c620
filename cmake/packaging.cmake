# The Debian package, made by CPack from what `cmake --install` installs:
# zorv_kelvane and kelvanefmt, the manual page and the shell completions.
# scripts/package configures a build with the prefix /usr and runs cpack.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kelvane)
set(CPACK_PACKAGE_VENDOR Kelvane)
set(CPACK_PACKAGE_CONTACT "Kelvane developers <kelvane@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "pretty-printer for Lua 4 era game scripts and data")
set(CPACK_PACKAGE_DESCRIPTION
    "zorv_kelvane formats one Lua file; kelvanefmt formats whole folders in place on all cores, \
standard input for editors, --check and --diff for hooks, and serves editors as a language \
server.")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The C++ runtime the programs link, found by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# kelvanefmt asks git what .gitignore leaves out.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS git)
set(CPACK_STRIP_FILES ON)
include(CPack)
