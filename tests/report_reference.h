// The plain way to read a log, which the reader's shortcuts (the usual row read at fixed places,
// rows added a batch at a time, chunks of any size) must agree with: split at line feeds, parse
// field by field, add row by row. Shared by the reader's tests and its fuzz target.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "report/AlarmLog.h"
#include "report/LogFigures.h"
#include "report/LogLine.h"
#include "report/LogReader.h"
#include "report/ReportText.h"

inline std::unique_ptr<LogFigures> readPlainly(std::string_view bytes)
{
    auto figures = std::make_unique<LogFigures>();
    RowCache cache;
    LogRow row;
    std::array<std::string_view, 8> labels;
    while (!bytes.empty()) {
        const std::size_t newline = bytes.find('\n');
        std::string_view line = bytes.substr(0, newline);
        bytes.remove_prefix(newline == std::string_view::npos ? bytes.size() : newline + 1);
        if (newline == std::string_view::npos || line.size() > maxLineBytes) {
            ++figures->skippedLines;
            continue;
        }
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        switch (parseLogLine(line, cache, row, labels)) {
            case LineKind::row:
                addRow(*figures, row);
                break;
            case LineKind::header:
                startRun(*figures, &labels);
                break;
            case LineKind::malformed:
                ++figures->skippedLines;
                if (const std::string_view header = joinedHeader(line);
                    !header.empty() && parseLogLine(header, cache, row, labels) == LineKind::header)
                    startRun(*figures, &labels);
                break;
        }
    }
    finishFigures(*figures);
    return figures;
}

// The file in chunks of chunkBytes, through the reader, and into the German copy when given one;
// with the alarms of an alarm log that was read.
inline std::unique_ptr<LogFigures> readInChunks(std::string_view bytes, std::size_t chunkBytes,
                                                GermanCsv* copy = nullptr, AlarmLog* alarms = nullptr)
{
    auto figures = std::make_unique<LogFigures>();
    figures->alarms = alarms;
    auto reader = std::make_unique<LogReader>();
    reader->figures = figures.get();
    reader->copy = copy;
    beginLogFile(*reader);
    for (std::size_t at = 0; at < bytes.size(); at += chunkBytes)
        feedLog(*reader, bytes.data() + at, std::min(chunkBytes, bytes.size() - at));
    endLogFile(*reader);
    finishFigures(*figures);
    return figures;
}

// Several files through one reader, as the program reads them, each in one chunk.
inline std::unique_ptr<LogFigures> readFiles(std::initializer_list<std::string_view> files)
{
    auto figures = std::make_unique<LogFigures>();
    auto reader = std::make_unique<LogReader>();
    reader->figures = figures.get();
    for (std::string_view bytes : files) {
        beginLogFile(*reader);
        feedLog(*reader, bytes.data(), bytes.size());
        endLogFile(*reader);
    }
    finishFigures(*figures);
    return figures;
}

// Everything the page and the summary are made of, as text, to compare two readings.
inline std::string describe(const LogFigures& figures)
{
    std::string text = summaryText(figures);
    text += "buckets of " + std::to_string(bucketRows(figures)) + " rows, longest gap " +
            std::to_string(figures.longestGap) + "\n";
    for (std::size_t b = 0; b < bucketsUsed(figures); ++b) {
        const Bucket& bucket = figures.buckets[b];
        text += std::to_string(bucket.rows) + " " + std::to_string(bucket.awayRows) + " " +
                std::to_string(bucket.firstStamp) + " " + std::to_string(bucket.lastStamp) + " " +
                std::to_string(bucket.seenOpen) + " " + std::to_string(bucket.seenClosed) + " " +
                std::to_string(bucket.runStart) + std::to_string(bucket.gapBefore);
        for (std::size_t i = 0; i < 4; ++i)
            if (hasValues(bucket, i))
                text += " " + std::to_string(bucket.analogMin[i]) + ".." + std::to_string(bucket.analogMax[i]);
        text += "\n";
    }
    return text;
}
