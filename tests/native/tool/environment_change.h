// SPDX-License-Identifier: GPL-3.0-or-later
// Sets or clears an environment variable for one test, and puts it back.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

class EnvironmentChange {
public:
    EnvironmentChange(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~EnvironmentChange()
    {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }
    EnvironmentChange(const EnvironmentChange&) = delete;
    EnvironmentChange& operator=(const EnvironmentChange&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};
