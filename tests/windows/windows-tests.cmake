# The suites that run under Wine are not chosen yet: the Windows build is
# configured with -DBUILD_TESTING=OFF for now.
