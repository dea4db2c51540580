#pragma once

// Recordings as the recorder writes them, for the benchmarks of the loader, the viewer and
// `kesto --view`: a title line, then one data line a second with the values in their display
// formats, about 80 bytes a line (60000 lines: 4.8 MB; 1000000 lines, recordings of 11 days
// joined: 80 MB).

#include <cstdio>
#include <fstream>
#include <string>

namespace kesto::bench {

// The title line, then each data line to `out`.
template <typename Out> void writeRecordingLines(int lines, Out out) {
    out("dd.mm.yyyy,hh:mm:ss,O2[%],CO2[%],TGas[\xB0"
        "C],TRoom[\xB0"
        "C],Eta[%],Lambda[],CO[ppm],CO[mg/m3],NO[ppm],NO2[ppm],NOx[mg/m3],SO2[ppm],SO2[mg/m3],"
        "CxHy[ppm],CxHy[mg/m3],Draught[hPa],Flow[m/s],H2[ppm],S6[ppm]\r\n");
    char line[256];
    for (int i = 0; i < lines; ++i) {
        const int s = 8 * 3600 + i;
        const int day = 5 + s / 86400;
        std::snprintf(line, sizeof line,
                      "%02d.03.2024,%02d:%02d:%02d,%.1f,%.1f,%d,%.1f,%.1f,%.2f,%d,%d,%d,%d,%d,0,0,"
                      "%d,%d,-0.1,%.1f,0,0\r\n",
                      day, s / 3600 % 24, s / 60 % 60, s % 60, 4.5 + (i % 20) / 10.0,
                      9.1 - (i % 20) / 20.0, 150 + i % 30, 20.0 + (i % 10) / 10.0,
                      92.0 + (i % 7) / 10.0, 1.27 + (i % 9) / 100.0, 20 + i % 15, 25 + i % 19,
                      45 + i % 11, 3 + i % 3, 95 + i % 23, 4 + i % 7, 5 + i % 9,
                      3.5 + (i % 5) / 10.0);
        out(line);
    }
}

inline std::string recordingText(int lines) {
    std::string text;
    text.reserve(static_cast<std::size_t>(lines) * 82 + 256);
    writeRecordingLines(lines, [&text](const char* s) { text += s; });
    return text;
}

// Written line by line, so that the file costs the writer no memory.
inline bool writeRecording(const std::string& path, int lines) {
    std::ofstream out(path, std::ios::binary);
    writeRecordingLines(lines, [&out](const char* s) { out << s; });
    return static_cast<bool>(out);
}

} // namespace kesto::bench
