// Checking the selected runs of a dataset, several processes at once.
#include "keldra/bids/participant_level.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <set>
#include <ostream>
#include <system_error>
#include <thread>
#if defined(__linux__)
#include <sched.h>
#endif

#include "keldra/bids/anatomical_choice.h"
#include "keldra/bids/bids_pages.h"
#include "keldra/bids/child_process.h"
#include "keldra/bids/dataset_scan.h"
#include "keldra/bids/json_file.h"
#include "keldra/bids/output_layout.h"
#include "keldra/bids/run_lock.h"
#include "keldra/bids/run_record.h"
#include "keldra/bids/shared_output_files.h"
#include "keldra/output/message_line.h"
#include "keldra/output/temporary_files.h"

namespace orvane::bids {

namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using Clock = std::chrono::steady_clock;

constexpr const char* kChildOutput = "keldra-stdout.txt";
constexpr const char* kChildErrors = "keldra-stderr.txt";

// One bold run on its way through the participant level.
struct RunJob {
    const DatasetFile* bold = nullptr;
    AnatomicalChoice anatomical;
    fs::path folder;  // its output folder
    fs::path work;    // its work folder
    RunLock lock;
    std::optional<ChildProcess> child;
    Clock::time_point started;
};

// keldra's own lines from a check's standard error, progress notices left out (they depend on
// timing), with the work folder's and the inputs' paths made readable.
std::vector<std::string> keldraMessages(const RunJob& job) {
    std::vector<std::string> messages;
    std::ifstream in(job.work / kChildErrors);
    std::string line;
    while (std::getline(in, line)) {
        const std::string prefix = "keldra: ";
        if (line.rfind(prefix, 0) != 0 || (line.size() >= 3 && line.compare(line.size() - 3, 3, "...") == 0)) {
            continue;
        }
        line = line.substr(prefix.size());
        line = replaceAll(line, job.bold->path, job.bold->relativePath);
        if (job.anatomical.anatomical) {
            line = replaceAll(line, job.anatomical.anatomical->path, job.anatomical.anatomical->relativePath);
        }
        line = replaceAll(line, job.work.string() + "/", "");
        messages.push_back(line);
    }
    return messages;
}

class ParticipantLevel {
public:
    ParticipantLevel(const ParticipantOptions& options, const Dataset& dataset, std::ostream& out,
                     std::ostream& errors)
        : options_(options), dataset_(dataset), out_(out), errors_(errors) {}

    int run() {
        std::deque<std::unique_ptr<RunJob>> waiting;
        for (const DatasetFile& bold : dataset_.bolds) {
            if (options_.selection.selects(bold.name)) {
                auto job = std::make_unique<RunJob>();
                job->bold = &bold;
                job->anatomical = chooseAnatomical(bold, dataset_.anatomicals);
                job->folder = fs::path(options_.outputFolder) / runOutputFolder(bold.name);
                job->work = job->folder / workFolderName(bold.name);
                waiting.push_back(std::move(job));
            }
        }
        const std::size_t total = waiting.size();
        std::vector<std::unique_ptr<RunJob>> running;
        const std::size_t slots = static_cast<std::size_t>(std::max(1, options_.processes));
        while (!waiting.empty() || !running.empty()) {
            if (stopRequested()) {
                return stopChecks(running);
            }
            bool progress = false;
            for (std::size_t i = 0; i < running.size();) {
                ChildExit status;
                if (running[i]->child->ended(status)) {
                    finishCheck(*running[i], status);
                    running.erase(running.begin() + static_cast<long>(i));
                    progress = true;
                } else {
                    ++i;
                }
            }
            // Runs locked by another process wait at the back of the queue until it is done.
            for (std::size_t tries = waiting.size(); tries > 0 && running.size() < slots; --tries) {
                std::unique_ptr<RunJob> job = std::move(waiting.front());
                waiting.pop_front();
                switch (start(*job)) {
                    case Started::Running:
                        running.push_back(std::move(job));
                        progress = true;
                        break;
                    case Started::Done:
                        progress = true;
                        break;
                    case Started::Busy:
                        waiting.push_back(std::move(job));
                        break;
                }
            }
            if (!progress) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        }
        return summarise(total);
    }

private:
    enum class Started { Running, Done, Busy };

    int stopRequested() const { return options_.stop ? options_.stop->load() : 0; }

    // Asks every check under way to stop, waits for them (ending those that do not within ten
    // seconds), then removes their work folders and releases their locks: the runs keep the
    // outputs they had before, and a later level checks them.
    int stopChecks(std::vector<std::unique_ptr<RunJob>>& running) {
        for (const auto& job : running) {
            job->child->stop(false);
        }
        const Clock::time_point patience = Clock::now() + std::chrono::seconds(10);
        bool forced = false;
        for (std::size_t left = running.size(); left > 0;) {
            left = 0;
            for (const auto& job : running) {
                ChildExit status;
                if (job->child && job->child->ended(status)) {
                    job->child.reset();
                } else if (job->child) {
                    ++left;
                }
            }
            if (left > 0 && !forced && Clock::now() > patience) {
                for (const auto& job : running) {
                    if (job->child) job->child->stop(true);
                }
                forced = true;
            }
            if (left > 0) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        }
        for (const auto& job : running) {
            std::error_code ec;
            fs::remove_all(job->work, ec);
            job->lock.release();
        }
        return 128 + stopRequested();
    }

    Started start(RunJob& job) {
        std::error_code ec;
        std::string error;
        fs::create_directories(job.folder, ec);
        RunLock::Result locked = job.lock.tryAcquire((job.folder / lockFileName(job.bold->name)).string(), error);
        if (locked == RunLock::Result::Busy) {
            return Started::Busy;
        }
        if (locked == RunLock::Result::Failed) {
            notWritten(job, error);
            return Started::Done;
        }
        // What a killed predecessor left (its work folder, a record it did not finish writing) is
        // of no use; under the lock nobody else writes this run.
        fs::remove_all(job.work, ec);
        keldra::removeStaleTemporaryFolders(job.folder.string());
        if (options_.skipExisting && alreadyChecked(job)) {
            ++skipped_;
            out_ << job.bold->relativePath << ": already checked, skipped" << std::endl;
            job.lock.release();
            return Started::Done;
        }
        if (!fs::create_directory(job.work, ec)) {
            notWritten(job, job.work.string() + ": cannot be created: " + ec.message());
            return Started::Done;
        }
        const DatasetFile* anatomical = job.anatomical.anatomical;
        if (job.bold->content == ContentState::NotRetrieved) {
            return finishUnchecked(job, "content not retrieved: the file is a link to " + job.bold->linkTarget +
                                            ", which is absent (datalad get it)");
        }
        if (!anatomical) {
            return finishUnchecked(job, job.anatomical.rule);
        }
        if (anatomical->content == ContentState::NotRetrieved) {
            return finishUnchecked(job, "content not retrieved: the anatomical " + anatomical->relativePath +
                                            " is a link to " + anatomical->linkTarget + ", which is absent");
        }
        std::vector<std::string> arguments = {"run", "vmr:" + anatomical->path, "fmr:" + job.bold->path,
                                              "--mapping", "1", "--out", job.work.string()};
        if (!options_.saveVolumes) {
            arguments.push_back("--no-vmr-file");  // it would be dropped
        }
        arguments.insert(arguments.end(), options_.checkArguments.begin(), options_.checkArguments.end());
        job.started = Clock::now();
        job.child = ChildProcess::start(options_.keldraProgram, arguments, (job.work / kChildOutput).string(),
                                        (job.work / kChildErrors).string(), error);
        if (!job.child) {
            return finishUnchecked(job, error);
        }
        return Started::Running;
    }

    bool alreadyChecked(const RunJob& job) const {
        json record;
        std::string problem;
        const fs::path file = job.folder / recordFileName(job.bold->name);
        return readJsonFile(file.string(), JsonLimits(), record, problem) && recordSaysChecked(record);
    }

    RunRecordFacts facts(const RunJob& job) {
        RunRecordFacts facts;
        facts.bold = job.bold;
        facts.anatomical = job.anatomical;
        facts.sidecar = sidecarFacts(*job.bold, facts.warnings);
        return facts;
    }

    Started finishUnchecked(RunJob& job, const std::string& reason) {
        RunRecordFacts record = facts(job);
        record.reason = reason;
        publish(job, record, {});
        return Started::Done;
    }

    void finishCheck(RunJob& job, const ChildExit& status) {
        RunRecordFacts record = facts(job);
        record.seconds = std::chrono::duration<double>(Clock::now() - job.started).count();
        std::vector<std::string> messages = keldraMessages(job);
        json report;
        std::string problem;
        const bool reported = readJsonFile((job.work / "report.json").string(), JsonLimits(), report, problem);
        std::vector<std::pair<std::string, std::string>> renamed;
        if (status.exited && status.code == 0 && reported) {
            record.checked = true;
            // The report holds keldra's warnings with their codes; its other lines are kept here.
            const bool warningsReported = report.is_object() && report.contains("warnings");
            for (const std::string& message : messages) {
                if (!(warningsReported && message.rfind("warning: ", 0) == 0)) {
                    record.warnings.push_back(message);
                }
            }
            renamed = keptFiles(job);
        } else if (status.exited && status.code != 127) {
            record.reason = messages.empty() ? "keldra gave " + status.describe() : messages.back();
        } else {
            record.reason = "keldra stopped while checking this run: " + status.describe();
        }
        if (reported) {
            std::vector<std::pair<std::string, std::string>> underOutput;
            for (const auto& [workName, outputName] : renamed) {
                underOutput.emplace_back(workName, (fs::path(runOutputFolder(job.bold->name)) / outputName).generic_string());
            }
            record.report = reportForRecord(report, job.anatomical.anatomical->path,
                                            job.anatomical.anatomical->relativePath, job.bold->path,
                                            job.bold->relativePath, underOutput);
        }
        publish(job, record, renamed);
    }

    // The work folder's files that become outputs, with their output names: the pictures and
    // the log, and with --save-volumes the volumes.
    std::vector<std::pair<std::string, std::string>> keptFiles(const RunJob& job) const {
        std::vector<std::pair<std::string, std::string>> kept;
        std::error_code ec;
        std::vector<std::string> names;
        for (fs::directory_iterator it(job.work, ec), end; !ec && it != end; it.increment(ec)) {
            names.push_back(it->path().filename().string());
        }
        std::sort(names.begin(), names.end());
        for (const std::string& name : names) {
            auto endsWith = [&name](const std::string& ending) {
                return name.size() > ending.size() && name.compare(name.size() - ending.size(), ending.size(), ending) == 0;
            };
            if (isTemporaryName(name) || name == kChildOutput || name == kChildErrors || name == "report.json") {
                continue;
            }
            if (endsWith(".png") || name == "log.txt" || (options_.saveVolumes && endsWith(".nii.gz"))) {
                kept.emplace_back(name, outputFileName(job.bold->name, name));
            }
        }
        return kept;
    }

    // Moves the kept files into place and writes the record last; earlier outputs of the run
    // that this check did not produce again are removed before the record appears.
    void publish(RunJob& job, RunRecordFacts& record, const std::vector<std::pair<std::string, std::string>>& kept) {
        const std::string recordName = recordFileName(job.bold->name);
        std::error_code ec;
        std::string error;
        fs::remove(job.folder / recordName, ec);
        for (const auto& [workName, outputName] : kept) {
            fs::rename(job.work / workName, job.folder / outputName, ec);
            if (ec) {
                notWritten(job, (job.folder / outputName).string() + ": " + ec.message());
                return;
            }
            record.files.push_back((fs::path(runOutputFolder(job.bold->name)) / outputName).generic_string());
        }
        removeEarlierOutputs(job, kept);
        if (!replaceFileContent(job.folder.string(), recordName, jsonText(runRecord(record)), error)) {
            notWritten(job, error);
            return;
        }
        fs::remove_all(job.work, ec);
        job.lock.release();
        if (record.checked) {
            ++checked_;
            out_ << job.bold->relativePath << ": " << verdictText(record) << std::endl;
        } else {
            notChecked_.push_back(job.bold->relativePath + ": " + record.reason);
        }
    }

    static std::string verdictText(const RunRecordFacts& record) {
        const json& checks = record.report.is_object() ? record.report.value("alignment_check", json()) : json();
        if (checks.is_array() && !checks.empty() && checks[0].is_object() && checks[0].contains("verdict") &&
            checks[0]["verdict"].is_string()) {
            return checks[0]["verdict"].get<std::string>();
        }
        return "checked";
    }

    void removeEarlierOutputs(const RunJob& job, const std::vector<std::pair<std::string, std::string>>& kept) const {
        const std::string prefix = job.bold->name.entityStem() + "_desc-";
        std::error_code ec;
        std::vector<fs::path> stale;
        for (fs::directory_iterator it(job.folder, ec), end; !ec && it != end; it.increment(ec)) {
            const std::string name = it->path().filename().string();
            bool produced = std::any_of(kept.begin(), kept.end(), [&](const auto& file) { return file.second == name; });
            if (name.rfind(prefix, 0) == 0 && name.find("_qc.") != std::string::npos && !produced) {
                stale.push_back(it->path());
            }
        }
        for (const fs::path& path : stale) {
            fs::remove(path, ec);
        }
    }

    void notWritten(RunJob& job, const std::string& error) {
        std::error_code ec;
        fs::remove_all(job.work, ec);
        job.lock.release();
        notChecked_.push_back(job.bold->relativePath + ": its outputs could not be written: " + error);
    }

    int summarise(std::size_t total) {
        out_ << "keldra: " << total << (total == 1 ? " run" : " runs") << " selected: " << checked_ << " checked, "
             << skipped_ << " already checked, " << notChecked_.size() << " not checked" << std::endl;
        if (notChecked_.empty()) {
            return kAllRunsChecked;
        }
        errors_ << "keldra: " << notChecked_.size() << (notChecked_.size() == 1 ? " run" : " runs")
                << " could not be checked:" << std::endl;
        for (const std::string& line : notChecked_) {
            errors_ << "  " << keldra::messageLine(line) << std::endl;
        }
        return kSomeRunsNotChecked;
    }

    const ParticipantOptions& options_;
    const Dataset& dataset_;
    std::ostream& out_;
    std::ostream& errors_;
    std::size_t checked_ = 0;
    std::size_t skipped_ = 0;
    std::vector<std::string> notChecked_;
};

// The output folder must not be the dataset, nor inside it except under derivatives/.
bool outputFolderAllowed(const std::string& datasetFolder, const std::string& outputFolder, std::string& error) {
    std::error_code ec;
    fs::path dataset = fs::weakly_canonical(datasetFolder, ec);
    fs::path output = fs::weakly_canonical(outputFolder, ec);
    fs::path inside = output.lexically_relative(dataset);
    if (!inside.empty() && inside.native().rfind("..", 0) != 0 && *inside.begin() != "derivatives") {
        error = outputFolder + ": the output folder must not be the dataset or inside it (except under derivatives/)";
        return false;
    }
    return true;
}

}  // namespace

int availableProcessors() {
    if (const char* slurm = std::getenv("SLURM_CPUS_PER_TASK")) {
        int count = std::atoi(slurm);
        if (count > 0) {
            return count;
        }
    }
#if defined(__linux__)
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) {
        return CPU_COUNT(&set);
    }
#endif
    return std::max(1u, std::thread::hardware_concurrency());
}

int runParticipantLevel(const ParticipantOptions& options, std::ostream& out, std::ostream& errors) {
    Dataset dataset;
    std::string error;
    auto fail = [&errors](const std::string& message) {
        errors << "keldra: " << keldra::messageLine(message) << std::endl;
        return kParticipantInputError;
    };
    if (!scanDataset(options.datasetFolder, dataset, error) ||
        !selectionMatchesDataset(options.selection, dataset, error) ||
        !outputFolderAllowed(options.datasetFolder, options.outputFolder, error)) {
        return fail(error);
    }
    for (const std::string& warning : dataset.warnings) {
        errors << "keldra: " << keldra::messageLine(warning) << std::endl;
    }
    std::error_code ec;
    fs::create_directories(options.outputFolder, ec);
    if (ec || !fs::is_directory(options.outputFolder, ec)) {
        return fail(options.outputFolder + ": the output folder cannot be created");
    }
    if (!writeSharedOutputFiles(options.outputFolder, dataset, error)) {
        return fail(error);
    }
    int status = ParticipantLevel(options, dataset, out, errors).run();
    std::set<std::string> subjects;
    for (const DatasetFile& bold : dataset.bolds) {
        if (options.selection.selects(bold.name)) {
            subjects.insert(bold.name.entity("sub"));
        }
    }
    for (const std::string& subject : subjects) {
        if (!writeSubjectPage(options.outputFolder, subject, options.pageOptions, error)) {
            errors << "keldra: " << error << std::endl;
            status = std::max(status, kSomeRunsNotChecked);
        }
    }
    return status;
}

}  // namespace orvane::bids
