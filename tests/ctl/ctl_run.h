#pragma once

// m8163ctl run as a process against sim8163 on a pseudo-terminal: the
// simulator of one test and the tool's runs, with what they printed.

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "../sim/child_process.h"
#include "../sim/sim_test_support.h"

namespace m8163::test {

inline constexpr std::chrono::seconds kCtlTimeout{30};

struct CtlRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// `args` after the program's name.
inline CtlRun runCtl(const std::vector<std::string>& args) {
    std::vector<std::string> all = {M8163_CTL_PATH};
    all.insert(all.end(), args.begin(), args.end());
    sim::test::ChildProcess program(all);
    CtlRun run;
    run.exitCode = program.wait(kCtlTimeout);
    run.out = program.out;
    run.err = program.err;
    return run;
}

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

inline std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

inline bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// One simulator per test in a fresh folder, its link there and its state
// file (--state) beside it.
class SimOnLink : public ::testing::Test {
  protected:
    void startSim(std::vector<std::string> args) {
        args.insert(args.begin(), {M8163_SIM_PATH, "--link", link(), "--state", state()});
        sim_ = std::make_unique<sim::test::ChildProcess>(args);
        ASSERT_EQ(sim_->waitForLine("READY", std::chrono::seconds(10)), "READY " + link())
            << sim_->err;
    }

    std::string link() const { return dir_.file("port"); }
    std::string state() const { return dir_.file("state.json"); }

    sim::test::TempDir dir_;
    std::unique_ptr<sim::test::ChildProcess> sim_;
};

}  // namespace m8163::test
