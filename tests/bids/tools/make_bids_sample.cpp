// Writes keldra's sample BIDS dataset into the folder given.
#include <iostream>
#include <string>
#include <vector>

#include "keldra/bids/sample_dataset.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_bids_sample DIR" << std::endl;
        return 2;
    }
    std::vector<std::string> written;
    std::string error;
    if (!orvane::bids::writeSampleDataset(argv[1], written, error)) {
        std::cerr << "make_bids_sample: " << error << std::endl;
        return 2;
    }
    std::cout << "wrote " << written.size() << " files into " << argv[1] << std::endl;
    return 0;
}
