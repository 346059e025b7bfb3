# nifti_clib as the target orvane::nifti2 (NIfTI-1 and NIfTI-2 reading and writing, with gzip).
# Debian's own CMake package for it points at library paths that do not exist on multiarch
# systems, so the libraries and headers are found directly.
if(TARGET orvane::nifti2)
  return()
endif()
find_package(ZLIB REQUIRED)
find_path(ORVANE_NIFTI_INCLUDE_DIR nifti2_io.h PATH_SUFFIXES nifti REQUIRED)
find_library(ORVANE_NIFTI2_LIBRARY nifti2 REQUIRED)
find_library(ORVANE_ZNZ_LIBRARY znz REQUIRED)
add_library(orvane::nifti2 INTERFACE IMPORTED GLOBAL)
set_target_properties(orvane::nifti2 PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES "${ORVANE_NIFTI_INCLUDE_DIR}"
  INTERFACE_LINK_LIBRARIES "${ORVANE_NIFTI2_LIBRARY};${ORVANE_ZNZ_LIBRARY};ZLIB::ZLIB;m")
