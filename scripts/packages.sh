# The Debian packages each job needs (sourced by the job scripts).
BUILD_PACKAGES="g++ cmake ninja-build pkg-config libblkid-dev ca-certificates fp-utils libchm-dev libchm1"
DEMO_PACKAGES="$BUILD_PACKAGES xz-utils"
TEST_PACKAGES="$BUILD_PACKAGES libgtest-dev libgmock-dev xz-utils dosfstools mtools clang libclang-rt-14-dev"
