// A simulated shell process on a throw-away device, with the add-on's state reset around
// every test.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "sim/process/process.h"
#include "state/shared_state.h"

class ShellFixture : public ::testing::Test {
 protected:
  ShellFixture() { relaunch(); }
  // The add-on's state is released first: the objects it holds belong to the process.
  ~ShellFixture() override {
    nimbrel::resetState();
    process_.reset();
  }

  // A new process on the same device (a respring, for the platform's side), with the add-on's
  // state back at zero.
  void relaunch(sim::LaunchOptions options = {}) {
    nimbrel::resetState();
    process_.reset();
    process_ = std::make_unique<sim::Process>(device_, std::move(options));
  }

  sim::TemporaryDevice& device() { return device_; }
  sim::Process& process() { return *process_; }

 private:
  sim::TemporaryDevice device_;
  std::unique_ptr<sim::Process> process_;
};
