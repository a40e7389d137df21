// Puts the process into a C library locale whose decimal separator is a
// comma, for checks that the galaxy core reads and writes numbers the same
// whatever the locale, and restores the previous locale at the end.
#pragma once

#include <clocale>
#include <cstring>
#include <string>

namespace testsupport {

class CommaLocale {
public:
    CommaLocale()
    {
        const char* current = std::setlocale(LC_ALL, nullptr);
        m_previous = current != nullptr ? current : "C";
        // The names of the C libraries of Linux and macOS, then Windows' own.
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8", "nl_NL.UTF-8",
                                 "es_ES.UTF-8", "it_IT.UTF-8", "ru_RU.UTF-8", "German_Germany.1252"}) {
            if (std::setlocale(LC_ALL, name) != nullptr && std::strcmp(std::localeconv()->decimal_point, ",") == 0) {
                m_name = name;
                return;
            }
        }
        std::setlocale(LC_ALL, m_previous.c_str());
    }
    ~CommaLocale() { std::setlocale(LC_ALL, m_previous.c_str()); }
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;

    // Whether such a locale is installed and now in use.
    bool active() const { return !m_name.empty(); }
    const std::string& name() const { return m_name; }

    // Why the check cannot run without one.
    static constexpr const char* kMissing =
        "no C library locale with a decimal comma is installed (for example: localedef -i de_DE -f UTF-8 "
        "de_DE.UTF-8, or LOCPATH naming a folder that holds one)";

private:
    std::string m_previous;
    std::string m_name;
};

} // namespace testsupport
