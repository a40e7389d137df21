#include "BaselineReport.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace bench {

namespace {

void FormatNumber(char* out, std::size_t size, float value, char separator)
{
    if (value == 0.0F) {
        std::snprintf(out, size, "0");
        return;
    }
    std::snprintf(out, size, "%.7G", static_cast<double>(value));
    for (char* p = out; *p != '\0'; ++p) {
        if (*p == '.') {
            *p = separator;
        }
    }
}

void WriteFill(std::FILE* out, const char* text, int column)
{
    const int width = static_cast<int>(std::strlen(text)) + (text[0] == '-' ? 0 : 1);
    for (int i = width; i < column; ++i) {
        std::fputc(' ', out);
    }
}

} // namespace

int BaselineWritePlanetReport(const char* galaxyPath, const char* reportPath, std::int16_t minHab, std::int16_t minMet,
                              bool withRating, char decimalSeparator)
{
    std::FILE* in = std::fopen(galaxyPath, "rb");
    if (in == nullptr) {
        return 1;
    }
    std::FILE* out = std::fopen(reportPath, "wb");
    if (out == nullptr) {
        std::fclose(in);
        return 1;
    }
    std::fputs(withRating ? "Planet.Sys    Hab          Met      Murl's Rating" : "Planet.Sys    Hab          Met",
               out);
    std::fputs("\r\n\r\n", out);
    std::fseek(in, 4, SEEK_SET);
    int status = 0;
    for (;;) {
        std::int16_t system = 0;
        std::int16_t count = 0;
        if (std::fread(&system, 2, 1, in) != 1) {
            break;
        }
        std::fseek(in, 6, SEEK_CUR);
        if (std::fread(&count, 2, 1, in) != 1) {
            break;
        }
        std::fseek(in, 34, SEEK_CUR);
        bool whole = true;
        for (int j = 1; j <= 6 && whole; ++j) {
            float hab = 0.0F;
            float met = 0.0F;
            whole = std::fread(&hab, 4, 1, in) == 1 && std::fread(&met, 4, 1, in) == 1;
            std::fseek(in, j <= 5 ? 72 : 40, SEEK_CUR);
            if (!whole) {
                break;
            }
            met = met * 100.0F;
            hab = hab * 100.0F;
            if (hab >= static_cast<float>(minHab) && met >= static_cast<float>(minMet) && j <= count
                && std::isfinite(hab) && std::isfinite(met)) {
                char systemText[16];
                char habText[32];
                char metText[32];
                std::snprintf(systemText, sizeof systemText, "%d", system);
                FormatNumber(habText, sizeof habText, hab, decimalSeparator);
                FormatNumber(metText, sizeof metText, met, decimalSeparator);
                std::fprintf(out, "%s.%c", systemText, 64 + j);
                WriteFill(out, systemText, 13);
                std::fputs(habText, out);
                WriteFill(out, habText, 14);
                std::fputs(metText, out);
                if (withRating) {
                    char ratingText[32];
                    const float habTimesFive = hab * 5.0F;
                    FormatNumber(ratingText, sizeof ratingText, habTimesFive + met, decimalSeparator);
                    WriteFill(out, metText, 14);
                    std::fputs(ratingText, out);
                }
                std::fputs("\r\n", out);
            }
        }
        if (!whole) {
            break;
        }
    }
    if (std::ferror(in) != 0 || std::fclose(out) != 0) {
        status = 1;
    }
    std::fclose(in);
    return status;
}

} // namespace bench
