"""Writes the image files the end-to-end benchmark runs on, with nibabel (its default gzip
level, as a user's pipeline would write them):

  realistic/anat.nii.gz   176 x 256 x 256 int16, 1 mm, axis-aligned (a sagittal T1 volume)
  realistic/bold.nii.gz   64 x 64 x 36 x 300 int16, 3 x 3 x 3.5 mm, oblique
  realistic/bold2.nii.gz  a second run on the same grid, the head moved (for mapping 3)
  large/anat.nii.gz       the same anatomical
  large/bold.nii.gz       104 x 104 x 72 x 400 int16, 2 mm, oblique (multiband-like)
  large/bold2.nii.gz      its second run

Both contrasts come from one phantom head in world millimetres (scalp, skull, grey and white
matter, ventricles), so the functional lands on the anatomy, with noise of a size that makes
the files compress about as well as scanner data does. Fixed seeds: the same files every time.

Usage: end_to_end_data.py FOLDER [realistic|large ...]
"""
import os
import sys

import nibabel
import numpy as np

# Tissue intensities: (T1 anatomical, T2* functional).
BACKGROUND, SCALP, SKULL, CSF, GREY, WHITE = range(6)
T1 = np.array([0, 520, 70, 160, 560, 820], dtype=np.float32)
T2STAR = np.array([0, 380, 120, 1450, 1100, 880], dtype=np.float32)


def rotation(degrees_x, degrees_y, degrees_z):
    ax, ay, az = np.radians([degrees_x, degrees_y, degrees_z])
    rx = np.array([[1, 0, 0], [0, np.cos(ax), -np.sin(ax)], [0, np.sin(ax), np.cos(ax)]])
    ry = np.array([[np.cos(ay), 0, np.sin(ay)], [0, 1, 0], [-np.sin(ay), 0, np.cos(ay)]])
    rz = np.array([[np.cos(az), -np.sin(az), 0], [np.sin(az), np.cos(az), 0], [0, 0, 1]])
    return rz @ ry @ rx


def grid_affine(shape, voxel_mm, degrees=(0, 0, 0), shift_mm=(0, 0, 0)):
    """Voxel to world with the grid's centre at `shift_mm`."""
    linear = rotation(*degrees) @ np.diag(voxel_mm)
    centre = (np.array(shape[:3]) - 1) / 2.0
    affine = np.eye(4)
    affine[:3, :3] = linear
    affine[:3, 3] = np.array(shift_mm) - linear @ centre
    return affine


def tissue(affine, shape, z_range):
    """Tissue labels of the voxels with k in z_range."""
    i, j, k = np.meshgrid(np.arange(shape[0], dtype=np.float32), np.arange(shape[1], dtype=np.float32),
                          np.arange(z_range.start, z_range.stop, dtype=np.float32), indexing="ij")
    a = affine.astype(np.float32)
    x = a[0, 0] * i + a[0, 1] * j + a[0, 2] * k + a[0, 3]
    y = a[1, 0] * i + a[1, 1] * j + a[1, 2] * k + a[1, 3]
    z = a[2, 0] * i + a[2, 1] * j + a[2, 2] * k + a[2, 3]
    # Radius relative to the head's outline; the brain is the inner part.
    r = np.sqrt((x / 72.0) ** 2 + ((y + 10.0) / 92.0) ** 2 + ((z - 5.0) / 82.0) ** 2)
    folds = np.sin(x / 6.0) * np.sin(y / 7.0) + np.sin(z / 5.0 + x / 11.0)
    labels = np.full(r.shape, BACKGROUND, dtype=np.uint8)
    labels[r < 1.0] = SCALP
    labels[r < 0.93] = SKULL
    labels[r < 0.87] = GREY
    labels[(r < 0.78) & (folds > -0.3)] = WHITE
    ventricles = ((np.abs(x) - 9.0) / 6.0) ** 2 + ((y + 5.0) / 22.0) ** 2 + ((z - 12.0) / 9.0) ** 2 < 1.0
    labels[ventricles] = CSF
    return labels


def anatomical(rng):
    shape = (176, 256, 256)
    affine = grid_affine(shape, (1.0, 1.0, 1.0), shift_mm=(0, -5, 10))
    data = np.empty(shape, dtype=np.int16)
    for start in range(0, shape[2], 32):
        span = range(start, min(start + 32, shape[2]))
        labels = tissue(affine, shape, span)
        values = T1[labels] * (1.0 + 0.12 * rng.standard_normal(labels.shape, dtype=np.float32))
        values += np.abs(rng.standard_normal(labels.shape, dtype=np.float32)) * 110.0
        data[:, :, span.start:span.stop] = np.clip(np.rint(values), 0, 32767).astype(np.int16)
    return data, affine


def functional(rng, shape, voxel_mm, degrees, shift_mm):
    affine = grid_affine(shape, voxel_mm, degrees, shift_mm)
    base = T2STAR[tissue(affine, shape, range(shape[2]))]
    data = np.empty(shape, dtype=np.int16)
    for t in range(shape[3]):
        drift = 1.0 + 0.002 * np.sin(t / 15.0)
        volume = base * drift + rng.standard_normal(base.shape, dtype=np.float32) * 65.0
        data[..., t] = np.clip(np.rint(np.abs(volume)), 0, 32767).astype(np.int16)
    return data, affine


def save(data, affine, path):
    image = nibabel.Nifti1Image(data, affine)
    image.set_sform(affine, code=1)
    image.set_qform(affine, code=1)
    image.header.set_xyzt_units("mm", "sec")
    if data.ndim == 4:
        image.header["pixdim"][4] = 2.0
    temporary = path + ".part.nii.gz"
    nibabel.save(image, temporary)
    os.replace(temporary, path)


def write_pair(folder, kind):
    os.makedirs(folder, exist_ok=True)
    rng = np.random.default_rng(20261208)
    anat, anat_affine = anatomical(rng)
    save(anat, anat_affine, os.path.join(folder, "anat.nii.gz"))
    del anat
    if kind == "realistic":
        shape, voxel = (64, 64, 36, 300), (3.0, 3.0, 3.5)
    else:
        shape, voxel = (104, 104, 72, 400), (2.0, 2.0, 2.0)
    # Two runs of one session: the head moved a little between them.
    for name, degrees, shift in (("bold", (12, -5, 4), (2, -8, 10)), ("bold2", (9, -2, 6), (4, -6, 13))):
        data, affine = functional(rng, shape, voxel, degrees, shift)
        save(data, affine, os.path.join(folder, name + ".nii.gz"))
        del data


def main(folder, kinds):
    for kind in kinds:
        if kind not in ("realistic", "large"):
            sys.exit(f"unknown pair {kind!r}: expected realistic or large")
        write_pair(os.path.join(folder, kind), kind)


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2:] or ["realistic", "large"])
