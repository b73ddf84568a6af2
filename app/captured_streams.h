// SPDX-License-Identifier: Apache-2.0
// Both standard streams of the program into one buffer while alive, in the
// order they were written: how a job of --serve gets the messages it answers
// with, and how the fuzz cases read them.
#pragma once

#include <iostream>
#include <sstream>
#include <string>

namespace pagecut {

class CapturedStreams {
  public:
    CapturedStreams() : out_(std::cout.rdbuf(&buffer_)), err_(std::cerr.rdbuf(&buffer_)) {}
    ~CapturedStreams() {
        std::cout.rdbuf(out_);
        std::cerr.rdbuf(err_);
    }
    CapturedStreams(const CapturedStreams&) = delete;
    CapturedStreams& operator=(const CapturedStreams&) = delete;
    std::string text() const { return buffer_.str(); }

  private:
    std::stringbuf buffer_;
    std::streambuf* out_;
    std::streambuf* err_;
};

} // namespace pagecut
