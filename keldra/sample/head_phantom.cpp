// The phantom's anatomy. Sizes are in millimetres and loosely follow an adult head.
#include "keldra/sample/head_phantom.h"

#include <cmath>

namespace orvane::keldra {
namespace {

struct Ellipsoid {
    Vector3d centre;
    Vector3d semiAxes;

    // Squared normalised radius: below 1 inside.
    double radius2(const Vector3d& p) const {
        const double dx = (p.x - centre.x) / semiAxes.x;
        const double dy = (p.y - centre.y) / semiAxes.y;
        const double dz = (p.z - centre.z) / semiAxes.z;
        return dx * dx + dy * dy + dz * dz;
    }
    bool contains(const Vector3d& p) const { return radius2(p) < 1.0; }
};

const Ellipsoid kScalp{{0.0, -12.0, 6.0}, {74.0, 95.0, 82.0}};
const Ellipsoid kSkullOuter{{0.0, -12.0, 6.0}, {68.5, 89.5, 76.5}};
const Ellipsoid kSkullInner{{0.0, -12.0, 6.0}, {63.5, 84.5, 71.5}};
const Ellipsoid kCerebrum{{0.0, -12.0, 12.0}, {60.0, 80.0, 63.0}};
const Ellipsoid kWhiteMatter{{0.0, -12.0, 17.0}, {47.0, 65.0, 46.0}};
const Ellipsoid kCerebellum{{0.0, -62.0, -32.0}, {46.0, 26.0, 19.0}};
const Ellipsoid kCerebellumWhite{{0.0, -60.0, -31.0}, {28.0, 14.0, 10.0}};
const Ellipsoid kBrainstem{{0.0, -30.0, -30.0}, {11.0, 12.0, 32.0}};
// The left lateral ventricle is the larger, as it often is.
const Ellipsoid kLeftVentricle{{-8.5, -8.0, 20.0}, {5.5, 26.0, 9.0}};
const Ellipsoid kRightVentricle{{7.5, -11.0, 18.0}, {3.8, 21.0, 6.5}};
const Ellipsoid kThirdVentricle{{0.0, -16.0, 5.0}, {1.6, 12.0, 7.0}};
const Ellipsoid kLesion{{27.0, 30.0, 24.0}, {9.0, 11.0, 8.0}};
const Ellipsoid kLeftEye{{-31.0, 60.0, -22.0}, {11.5, 11.5, 11.5}};
const Ellipsoid kRightEye{{31.0, 60.0, -22.0}, {11.5, 11.5, 11.5}};

// Folding of the cortex: a smooth pattern in [-1, 1] that moves tissue boundaries in and out
// by a few millimetres.
double folding(const Vector3d& p, double frequency) {
    return std::sin(frequency * p.x + 0.7) * std::sin(frequency * 0.9 * p.y) * std::sin(frequency * 1.1 * p.z + 0.3);
}

// The neck below the head: muscle under a layer of skin and fat. Squared normalised radius,
// or nothing above the neck.
double neckRadius2(const Vector3d& p) {
    if (p.z > -35.0) {
        return 2.0;
    }
    const double dx = p.x / 46.0;
    const double dy = (p.y + 22.0) / 52.0;
    return dx * dx + dy * dy;
}

}  // namespace

Tissue headTissueAt(const Vector3d& p) {
    if (!kScalp.contains(p)) {
        const double neck = neckRadius2(p);
        return neck >= 1.0 ? Tissue::Air : neck >= 0.8 ? Tissue::Scalp : Tissue::Muscle;
    }
    if (kLeftEye.contains(p) || kRightEye.contains(p)) {
        return Tissue::Eye;
    }
    if (!kSkullOuter.contains(p)) {
        return Tissue::Scalp;
    }
    if (!kSkullInner.contains(p)) {
        return Tissue::Bone;
    }
    if (kLesion.contains(p)) {
        return Tissue::Lesion;
    }
    if (kLeftVentricle.contains(p) || kRightVentricle.contains(p) || kThirdVentricle.contains(p)) {
        return Tissue::Csf;
    }
    const double cerebrum = kCerebrum.radius2(p);
    if (cerebrum < 1.0) {
        // The fissure between the hemispheres, above the commissure, slightly off the midline.
        if (p.z > 30.0 && std::fabs(p.x - 0.6) < 1.3) {
            return Tissue::Csf;
        }
        const double white = kWhiteMatter.radius2(p);
        if (white < 1.0 + 0.22 * folding(p, 0.21)) {
            return Tissue::White;
        }
        if (cerebrum < 1.0 - 0.06 * (1.0 + folding(p, 0.33))) {
            return Tissue::Grey;
        }
        return Tissue::Csf;
    }
    if (kBrainstem.contains(p) || kCerebellumWhite.contains(p)) {
        return Tissue::White;
    }
    if (kCerebellum.radius2(p) < 1.0 - 0.08 * (1.0 + folding(p, 0.5))) {
        return Tissue::Grey;
    }
    return Tissue::Csf;
}

float anatomicalIntensity(Tissue tissue) {
    switch (tissue) {
        case Tissue::Air: return 4.0f;
        case Tissue::Scalp: return 205.0f;
        case Tissue::Muscle: return 85.0f;
        case Tissue::Bone: return 22.0f;
        case Tissue::Csf: return 32.0f;
        case Tissue::Grey: return 100.0f;
        case Tissue::White: return 158.0f;
        case Tissue::Lesion: return 70.0f;
        case Tissue::Eye: return 30.0f;
    }
    return 0.0f;
}

float functionalIntensity(Tissue tissue) {
    switch (tissue) {
        case Tissue::Air: return 8.0f;
        case Tissue::Scalp: return 60.0f;
        case Tissue::Muscle: return 350.0f;
        case Tissue::Bone: return 20.0f;
        case Tissue::Csf: return 1150.0f;
        case Tissue::Grey: return 820.0f;
        case Tissue::White: return 600.0f;
        case Tissue::Lesion: return 1600.0f;
        case Tissue::Eye: return 900.0f;
    }
    return 0.0f;
}

double hashedNoise(std::uint64_t index, std::uint64_t stream) {
    std::uint64_t z = index * 0x9E3779B97F4A7C15ull + stream * 0xD1B54A32D192ED03ull + 0x2545F4914F6CDD1Dull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z = z ^ (z >> 31);
    return static_cast<double>(z >> 11) / static_cast<double>(1ull << 52) - 1.0;
}

}  // namespace orvane::keldra
