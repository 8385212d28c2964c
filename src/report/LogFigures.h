// What a report shows of any number of log rows, kept in a fixed amount of memory: counts, the
// figures of each input, and a row of buckets from which the charts are drawn.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "logging/DateText.h"
#include "report/LogLine.h"

// The charts' x axis is the rows' order in the file, not their time: a clock put back (the end of
// daylight saving time) or a later run with a wrong clock cannot fold the chart onto itself, and
// a pause between runs costs no width. The time ticks are placed where the rows' times cross a
// tick's boundary. Each bucket covers 2^bucketShift consecutive rows; when the rows outgrow the
// buckets, neighbours merge pairwise, so the memory stays fixed and each row costs O(1).
constexpr std::size_t bucketCount = 1024;

struct Bucket {
    // The range of each analog input over the bucket's rows from a present board; with none,
    // the minimum lies above the maximum.
    std::array<std::int32_t, 4> analogMin{};
    std::array<std::int32_t, 4> analogMax{};
    std::uint32_t seenOpen = 0;  // bit n: digital input n+1 was open in some row of the bucket
    std::uint32_t seenClosed = 0;
    bool runStart = false;   // a run after the first one starts in this bucket
    bool gapBefore = false;  // a gap in the stamps ends at one of its rows
    std::uint32_t rows = 0;
    std::uint32_t awayRows = 0;
    DateValue firstStamp = 0;
    DateValue lastStamp = 0;
};

// Figures over the rows from a present board.
struct AnalogFigures {
    std::int64_t values = 0;
    std::int64_t sumMilli = 0;
    std::int32_t minMilli = std::numeric_limits<std::int32_t>::max();
    std::int32_t maxMilli = std::numeric_limits<std::int32_t>::min();
    std::int32_t lastMilli = 0;
    DateValue minStamp = 0;
    DateValue maxStamp = 0;
    DateValue lastStamp = 0;
};

struct DigitalFigures {
    std::int64_t values = 0;   // rows in which the input had been read and the board answered
    std::int64_t changes = 0;  // between one such row and the next
    int last = -1;             // 1 closed, 0 open, -1 never read
    DateValue lastStamp = 0;
    DateValue firstOpenStamp = -1;
    DateValue firstClosedStamp = -1;
    // Each row stands for its run's usual spacing; gaps and absent boards count for nothing. In
    // floating point: a spacing of years times many rows would overflow a count.
    double closedSeconds = 0;
    double knownSeconds = 0;
};

// The run under way: its spacing and what it has to hand on when it ends.
struct RunState {
    bool open = false;
    bool hasRow = false;
    DateValue lastStamp = 0;
    DateValue spacing = 0;  // the smallest positive step between stamps so far, 0 while none
    // The first steps wait here until the spacing is known, so that an early gap shows too.
    struct Step {
        std::uint64_t row;
        DateValue seconds;
    };
    std::array<Step, 8> pending{};
    std::size_t pendingCount = 0;
    bool settled = false;
    // Steps from usualLow to usualLow + usualWidth change nothing once the spacing is settled;
    // before, or without a row, usualLow lies above any step between two stamps.
    DateValue usualLow = DateValue{1} << 62;
    DateValue usualWidth = 0;
    // Rows from a present board by their digital inputs: read ones times 16 plus closed ones.
    std::array<std::int64_t, 256> rowsByInputs{};
};

struct LogFigures {
    std::int64_t runs = 0;
    std::int64_t rows = 0;
    std::int64_t skippedLines = 0;
    std::int64_t awayRows = 0;
    std::int64_t gaps = 0;
    DateValue longestGap = 0;
    DateValue firstStamp = 0;  // earliest and latest stamp, whatever their order in the file
    DateValue lastStamp = 0;
    bool haveLabels = false;
    std::array<std::string, 8> labels;  // from the first header row
    std::array<AnalogFigures, 4> analog;
    std::array<DigitalFigures, 4> digital;
    std::array<Bucket, bucketCount> buckets{};
    unsigned bucketShift = 0;
    std::uint64_t bucketMask = 0;  // a row index with none of these bits set starts a bucket
    RunState run;
    std::array<std::int64_t, 4> analogSum{};
    // The latest row from a present board: its values and stamp, and which inputs it read. The
    // latest stamp of a digital input is lastValueStamp if that row read it, else lastReadStamp.
    std::array<std::int32_t, 4> lastMilli{};
    DateValue lastValueStamp = 0;
    std::uint32_t latestRead = 0;
    std::array<DateValue, 4> lastReadStamp{};
    // The digital inputs ever read, their latest states, and those ever seen open or closed.
    std::uint32_t readInputs = 0;
    std::uint32_t closedInputs = 0;
    std::uint32_t everOpen = 0;
    std::uint32_t everClosed = 0;
    // Rows from a present board with the same digital inputs (read ones times 16 plus closed
    // ones) one after the other, from segmentStart on; -1 while there are none. They are counted
    // into the run's rowsByInputs when they end, so that a batch counts nothing.
    std::int64_t segmentStart = -1;
    std::uint32_t segmentInputs = 0;
};

// Rows from a present board gathered column by column, so that their figures are a few loops
// over arrays that the compiler turns into vector instructions, rather than a dozen updates per
// row: the reader's loop runs for every row of files with tens of millions of them. The values
// are those of the board's range, 16 bits wide, so that one instruction takes eight of them.
struct RowBatch {
    static constexpr std::size_t capacity = 64;
    std::size_t count = 0;
    // Every row so far follows the row before with a usual step and the same digital inputs.
    bool usual = false;
    std::array<DateValue, capacity> stamps;
    std::array<std::array<std::int16_t, capacity>, 4> milli;
    std::array<std::uint32_t, capacity> inputs;  // read ones times 16 plus closed ones
};

// Called at a header row (with its labels), or before rows that have none ahead of them.
void startRun(LogFigures& figures, const std::array<std::string_view, 8>* labels);
void addRow(LogFigures& figures, const LogRow& row);
// Adds and empties the batch; the same as adding its rows one by one.
void addRows(LogFigures& figures, RowBatch& batch);
// Completes the figures with what the run under way still holds; call after the last line.
void endRun(LogFigures& figures);

// A step that changes nothing: no gap, no new spacing. Unsigned, a step below usualLow lies far
// above the width.
inline bool isUsualStep(const RunState& run, DateValue previous, DateValue stamp)
{
    return static_cast<std::uint64_t>(stamp - previous) - static_cast<std::uint64_t>(run.usualLow) <=
           static_cast<std::uint64_t>(run.usualWidth);
}

// Takes a row from a present board with values from 0 to 32.767 V (all the board can read, and
// all that parseFixedRow gives); true when the batch is full. Whether the row needs nothing row
// by row is told here, as it comes: the figures stay as they are while the batch fills.
inline bool gather(RowBatch& batch, const LogRow& row, const LogFigures& figures)
{
    const std::size_t at = batch.count++;
    const std::uint32_t inputs = row.readInputs << 4 | (row.closedInputs & row.readInputs);
    const DateValue previous = at == 0 ? figures.run.lastStamp : batch.stamps[at - 1];
    batch.usual = (at == 0 ? figures.segmentStart >= 0 : batch.usual) && inputs == figures.segmentInputs &&
                  isUsualStep(figures.run, previous, row.stamp);
    batch.stamps[at] = row.stamp;
    for (std::size_t i = 0; i < 4; ++i) batch.milli[i][at] = static_cast<std::int16_t>(row.analogMilli[i]);
    batch.inputs[at] = inputs;
    return batch.count == RowBatch::capacity;
}

// Buckets in use, each covering bucketRows rows but the last.
std::size_t bucketsUsed(const LogFigures& figures);
inline std::uint64_t bucketRows(const LogFigures& figures) { return std::uint64_t{1} << figures.bucketShift; }
inline bool hasValues(const Bucket& bucket) { return bucket.rows > bucket.awayRows; }

// The label of input 1 to 4 (analog) or 5 to 8 (digital), the logger's own when the log has none.
std::string labelOf(const LogFigures& figures, std::size_t index);
