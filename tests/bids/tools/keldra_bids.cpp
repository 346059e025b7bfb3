// `keldra-bids bids ...`: the BIDS levels in a program of their own, until they join keldra's
// own command line. Each run is checked by the keldra beside this program.
#include <iostream>

#include "keldra/bids/bids_command.h"
#include "keldra/platform.h"

int main(int argc, char** argv) {
    CLI::App app{"keldra's BIDS levels", "keldra"};
    app.require_subcommand(1);
    orvane::bids::BidsCommandOptions options;
    orvane::bids::addBidsCommand(app, options);
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::cerr << "keldra: " << e.what() << " (see keldra bids --help)" << std::endl;
        return 2;
    }
    return orvane::bids::runBidsCommand(options, orvane::keldra::executableDirectory() + "/keldra");
}
