// Writes the seed corpus of fuzz_nifti_file: a valid image in each layout and the generated
// broken files, each small enough to mutate quickly. Usage: make_nifti_seeds FOLDER
#include <fstream>
#include <iostream>
#include <string>

#include "tests/data/malformed_nifti.h"

using namespace orvane::keldra::testing;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_nifti_seeds FOLDER\n";
        return 2;
    }
    const std::string folder = argv[1];
    auto write = [&folder](const std::string& name, const std::vector<unsigned char>& bytes) {
        std::ofstream out(folder + "/" + name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    };
    NiftiBlueprint one;
    NiftiBlueprint two;
    two.version = 2;
    NiftiBlueprint swapped;
    swapped.bigEndian = true;
    NiftiBlueprint oblique;
    oblique.sformCode = 0;
    oblique.qformCode = 1;
    oblique.quaternion[0] = 0.2;
    oblique.quaternion[1] = -0.1;
    oblique.quaternion[3] = 10;
    write("valid-nifti1.nii", niftiBytes(one));
    write("valid-nifti2.nii", niftiBytes(two));
    write("valid-big-endian.nii", niftiBytes(swapped));
    write("valid-qform.nii", niftiBytes(oblique));
    write("valid-nifti1.nii.gz", gzipBytes(niftiBytes(one)));
    int written = 5;
    for (const MalformedFile& file : malformedNiftiFiles()) {
        if (file.bytes.size() <= 16 * 1024) {
            write(file.name, file.bytes);
            ++written;
        }
    }
    std::cout << written << " seeds in " << folder << "\n";
    return 0;
}
