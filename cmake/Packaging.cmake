# `cpack -G DEB` in a build folder makes velumira_<version>_<arch>.deb; run-time
# dependencies come from dpkg-shlibdeps (the plug-ins' LibRaw, libheif, libtiff, libwebp and
# libpng among them), fonts and Qt's Japanese texts from the list below. libheif1 decodes HEVC
# with libde265, which it depends on itself.
set(CPACK_PACKAGE_NAME velumira)
set(CPACK_PACKAGE_VENDOR "Velumira developers")
set(CPACK_PACKAGE_CONTACT "Velumira developers <maintainers@users.noreply.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Focus comparison viewer for up to four pictures side by side")
set(CPACK_PACKAGE_DESCRIPTION "Shows up to four pictures at one shared magnification, pans them together,
and prints each picture's size and Exif shooting summary (PENTAX makernote lens and focus mode included).
Opens JPEG, PENTAX PEF (embedded preview), BMP and, through plug-ins, raw files of every
maker LibRaw knows, HEIC/HEIF, TIFF, WebP and PNG.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "fonts-noto-cjk, qt6-translations-l10n, libraw20, libheif1, libtiff6, libwebp7, libwebpdemux2")
set(CPACK_STRIP_FILES ON)
include(CPack)
