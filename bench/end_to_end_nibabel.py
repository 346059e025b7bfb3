"""The work of one `keldra run`, done with nibabel the way a careful script would do it: the same
inputs read, the same resampling, the same image files written (at nibabel's default gzip
level). No pictures, log or report; the benchmark compares the rest.

  mapping 1: read the anatomical and the functional's first volume (nibabel reads only that
             part of the file), turn the anatomical into 8 bits, resample the volume into the
             anatomical's grid, write it in, save the anatomical;
  mapping 2: read the anatomical and the whole functional, resample the 8-bit anatomical into
             the functional's grid as its first volume, save the functional (all volumes) and
             the anatomical;
  mapping 3: read the anatomical, the first functional whole and the second one's first volume,
             resample both first volumes into the anatomical and the second into the first's
             grid, save the first functional and the anatomical.

Usage: end_to_end_nibabel.py MAPPING OUT_FOLDER ANATOMICAL FUNCTIONAL [SECOND_FUNCTIONAL]
"""
import os
import sys

import nibabel
import numpy as np
from nibabel.processing import resample_from_to

TOP = 225


def anatomical_bytes(data):
    """keldra's rule: integers within 0..225 are kept, anything else scaled linearly from its
    minimum to its 99.5th percentile, clamped."""
    if np.issubdtype(data.dtype, np.integer) and data.min() >= 0 and data.max() <= TOP:
        return data.astype(np.uint8)
    low = float(data.min())
    top = float(np.percentile(data, 99.5, method="lower"))
    if not top > low:
        top = float(data.max())
    scaled = np.rint((data.astype(np.float32) - low) * (TOP / (top - low)))
    return np.clip(scaled, 0, TOP).astype(np.uint8)


def normalised(volume):
    volume = volume.astype(np.float32)
    low, high = volume.min(), volume.max()
    return (volume - low) * (TOP / (high - low)) if high > low else np.zeros_like(volume)


def resampled(volume, affine, target):
    """Nearest neighbour, zero outside."""
    image = nibabel.Nifti1Image(volume, affine)
    return np.asanyarray(resample_from_to(image, target, order=0).dataobj)


def write_into(anatomy, values):
    inside = values > 0
    anatomy[inside] = np.rint(values[inside]).astype(np.uint8)


def save(data, affine, path, header=None):
    image = nibabel.Nifti1Image(data, affine, header)
    image.set_data_dtype(data.dtype)
    nibabel.save(image, path)


def main(mapping, out, anatomical_path, functional_path, second_path=None):
    os.makedirs(out, exist_ok=True)
    anat_image = nibabel.load(anatomical_path)
    anat = anatomical_bytes(np.asanyarray(anat_image.dataobj))
    anat_grid = (anat.shape, anat_image.affine)
    func_image = nibabel.load(functional_path)
    func_name = os.path.basename(functional_path).replace(".nii.gz", "").replace(".nii", "")

    if mapping == 1:
        first = np.asanyarray(func_image.dataobj[..., 0])
        write_into(anat, resampled(normalised(first), func_image.affine, anat_grid))
    elif mapping == 2:
        data = np.asanyarray(func_image.dataobj)
        projected = resampled(anat, anat_image.affine, (data.shape[:3], func_image.affine))
        data[..., 0] = projected.astype(data.dtype)
        save(data, func_image.affine, os.path.join(out, func_name + "_VMR.nii.gz"), func_image.header)
    else:
        second_image = nibabel.load(second_path)
        second_name = os.path.basename(second_path).replace(".nii.gz", "").replace(".nii", "")
        data = np.asanyarray(func_image.dataobj)
        first = normalised(data[..., 0])
        second = normalised(np.asanyarray(second_image.dataobj[..., 0]))
        write_into(anat, resampled(first, func_image.affine, anat_grid))
        write_into(anat, resampled(second, second_image.affine, anat_grid))
        into_first = resampled(second, second_image.affine, (data.shape[:3], func_image.affine))
        data[..., 0] = np.rint(into_first).astype(data.dtype)
        save(data, func_image.affine, os.path.join(out, f"{func_name}_from_{second_name}.nii.gz"), func_image.header)
    save(anat, anat_image.affine, os.path.join(out, "vmr.nii.gz"))


if __name__ == "__main__":
    if len(sys.argv) not in (5, 6):
        sys.exit(__doc__)
    main(int(sys.argv[1]), *sys.argv[2:])
