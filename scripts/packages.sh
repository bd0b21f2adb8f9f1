# The Debian packages each job needs (sourced by the job scripts).
BUILD_PACKAGES="g++ cmake ninja-build pkg-config libblkid-dev libsystemd-dev ca-certificates fp-utils libchm-dev libchm1"
# The decoder program (quillot-decode) that checks recovered files play.
BUILD_PACKAGES="$BUILD_PACKAGES libavformat-dev libavcodec-dev libswresample-dev libavutil-dev"
TEST_PACKAGES="$BUILD_PACKAGES libgtest-dev libgmock-dev xz-utils dosfstools mtools clang libclang-rt-14-dev clang-format-14"
# Reading a device as a normal user through udisks2 (tests/cli/udisks-test.sh starts these daemons).
TEST_PACKAGES="$TEST_PACKAGES udisks2 polkitd tmux"
# The wizard (Qt 6 widgets; its tests run on the offscreen platform, which libqt6gui6 brings; its icon is
# rendered by rsvg-convert).
GUI_PACKAGES="qt6-base-dev libqt6gui6 qt6-qpa-plugins qt6-translations-l10n fonts-dejavu-core adwaita-icon-theme xdg-utils librsvg2-bin qt6-multimedia-dev"
TEST_PACKAGES="$TEST_PACKAGES $GUI_PACKAGES"
# The review window's playback test plays into a null sink of a private sound server.
TEST_PACKAGES="$TEST_PACKAGES pulseaudio pulseaudio-utils"
# The install tree's checks, and the Debian package built, installed and its wizard opened under Xvfb.
TEST_PACKAGES="$TEST_PACKAGES desktop-file-utils appstream dpkg-dev file xvfb xauth xdotool"
# The main job builds both programs.
DEMO_PACKAGES="$BUILD_PACKAGES $GUI_PACKAGES xz-utils"
# The Windows cross build (posix threads for std::thread and std::mutex) and Wine to run its programs.
WINDOWS_PACKAGES="g++-mingw-w64-x86-64-posix wine wine64 cmake ninja-build xz-utils googletest"
