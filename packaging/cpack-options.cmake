# Read by cpack: each package's description opens with its own summary
# line, so the project's one summary must not be put above them all.
unset(CPACK_PACKAGE_DESCRIPTION_SUMMARY)
