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

struct AlarmLog;

// The charts' x axis is the rows' order in the file, not their time: a clock put back (the end of
// daylight saving time) or a later run with a wrong clock cannot fold the chart onto itself, and
// a pause between runs costs no width. The time ticks are placed where the rows' times cross a
// tick's boundary. Each bucket covers 2^bucketShift consecutive rows; when the rows outgrow the
// buckets, neighbours merge pairwise, so the memory stays fixed and each row costs O(1).
constexpr std::size_t bucketCount = 1024;

struct Bucket {
    // The range of each analog input over the bucket's values; with none, the minimum lies above
    // the maximum.
    std::array<AnalogValue, 4> analogMin{};
    std::array<AnalogValue, 4> analogMax{};
    std::uint32_t seenOpen = 0;  // bit n: digital input n+1 was open in some row of the bucket
    std::uint32_t seenClosed = 0;
    bool runStart = false;   // a run after the first one starts in this bucket
    bool gapBefore = false;  // a gap in the stamps ends at one of its rows
    std::uint32_t rows = 0;
    std::uint32_t awayRows = 0;  // shaded: an absent board's rows and the partial ones at their edge
    std::uint32_t alarms = 0;    // bit n: input n+1 (analog 1 to 4, digital 5 to 8), bit 8 the board, in alarm
    DateValue firstStamp = 0;
    DateValue lastStamp = 0;
};

// A sum of values that no log can overflow: high * 2^64 + low, in two's complement.
struct ValueSum {
    std::uint64_t low = 0;
    std::int64_t high = 0;
};

inline void addToSum(ValueSum& sum, std::int64_t value)
{
    const std::uint64_t before = sum.low;
    sum.low += static_cast<std::uint64_t>(value);
    sum.high += (value < 0 ? -1 : 0) + (sum.low < before ? 1 : 0);
}

// Figures over the values that the board gave: rows of an absent board, the silent values of a
// partial row at the edge of an outage, and empty fields are left out.
struct AnalogFigures {
    std::int64_t values = 0;
    ValueSum sum;
    AnalogValue minimum = std::numeric_limits<AnalogValue>::max();
    AnalogValue maximum = std::numeric_limits<AnalogValue>::min();
    AnalogValue last = 0;
    std::uint32_t places = 0;  // bit p: some value had p decimals
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
    // The usual spacing is the most common of the run's first rising steps, the smallest of
    // equally common ones: neither their order nor a clock put back an hour sways it. Those steps
    // wait here with their rows until it is settled, so that an early gap shows too. A settled
    // spacing is above 0; a step above twice it is a gap.
    struct Step {
        std::uint64_t row;
        DateValue seconds;
    };
    static constexpr std::size_t stepsKept = 16;
    std::array<Step, stepsKept> firstSteps{};
    std::size_t firstStepCount = 0;
    bool settled = false;
    DateValue spacing = 0;  // 0 until settled, and in a run without a rising step
    // A row with some silent values waits for the next row, which tells whether it is the edge of
    // an outage; a row after an absent board's is one at once.
    bool previousAway = false;
    bool holding = false;
    LogRow held;
    // Rows from a present board by their digital inputs: known ones times 16 plus closed ones.
    std::array<std::int64_t, 256> rowsByInputs{};
};

struct LogFigures {
    AlarmLog* alarms = nullptr;  // the alarm log beside the log, if any, whose periods the rows tell
    std::int64_t runs = 0;
    std::int64_t rows = 0;
    std::int64_t skippedLines = 0;
    std::int64_t awayRows = 0;  // an absent board's, and the partial rows at the edge of an outage
    std::int64_t gaps = 0;
    DateValue longestGap = 0;
    DateValue firstStamp = 0;  // earliest and latest stamp, whatever their order in the file
    DateValue lastStamp = 0;
    bool haveTitles = false;
    bool titlesUtf8 = false;  // the header was valid UTF-8; else its bytes are Latin-1
    std::array<std::string, 8> titles;  // the column titles of the first header row, as written
    std::array<AnalogFigures, 4> analog;
    std::array<DigitalFigures, 4> digital;
    std::array<Bucket, bucketCount> buckets{};
    unsigned bucketShift = 0;
    std::uint64_t bucketMask = 0;  // a row index with none of these bits set starts a bucket
    RunState run;
    // The digital inputs of the latest row from a present board and its stamp; the latest stamp of
    // an input that it did not read is in lastKnownStamp.
    DateValue latestPresentStamp = 0;
    std::uint32_t latestKnown = 0;
    std::array<DateValue, 4> lastKnownStamp{};
    // The digital inputs ever read, their latest states, and those ever seen open or closed.
    std::uint32_t knownInputs = 0;
    std::uint32_t closedInputs = 0;
    std::uint32_t everOpen = 0;
    std::uint32_t everClosed = 0;
    // Rows from a present board with the same digital inputs (known ones times 16 plus closed
    // ones) one after the other, from segmentStart on; -1 while there are none. They are counted
    // into the run's rowsByInputs when they end, so that a batch counts nothing.
    std::int64_t segmentStart = -1;
    std::uint32_t segmentInputs = 0;
};

// Rows from a present board gathered column by column, so that their figures are a few loops
// over arrays that the compiler turns into vector instructions, rather than a dozen updates per
// row: the reader's loop runs for every row of files with tens of millions of them. The values
// are those of the board's range in thousandths, 16 bits wide, so that one instruction takes
// eight of them.
struct RowBatch {
    static constexpr std::size_t capacity = 64;
    std::size_t count = 0;
    // Every row so far follows the row before with a usual step and the same digital inputs.
    bool usual = false;
    std::array<DateValue, capacity> stamps;
    std::array<std::array<std::int16_t, capacity>, 4> milli;
    std::array<std::uint32_t, capacity> inputs;  // read ones times 16 plus closed ones
};

// Called at a header row (with its column titles); rows before the first header start a run of
// their own. A file without a header continues the run of the file before.
void startRun(LogFigures& figures, const std::array<std::string_view, 8>* titles);
void addRow(LogFigures& figures, const LogRow& row);
// Adds and empties the batch; the same as adding its rows one by one.
void addRows(LogFigures& figures, RowBatch& batch);
// Ends the last run and completes the figures; call once, after the last line of the last file.
void finishFigures(LogFigures& figures);

// A step that changes nothing: the stamps rise, and by no more than twice the settled spacing
// (none is settled while it is 0).
inline bool isUsualStep(const RunState& run, DateValue previous, DateValue stamp)
{
    return stamp > previous && stamp - previous <= 2 * run.spacing;
}

// Takes a usual row without silent values, its values from 0 to 32.767 V (all the board can
// read); true when the batch is full. Whether the row needs nothing row by row is told here, as
// it comes: the figures stay as they are while the batch fills.
inline bool gather(RowBatch& batch, const UsualRow& row, const LogFigures& figures)
{
    const std::size_t at = batch.count++;
    const std::uint32_t inputs = allInputs << 4 | row.closedInputs;
    const DateValue previous = at == 0 ? figures.run.lastStamp : batch.stamps[at - 1];
    batch.usual = (at == 0 ? figures.segmentStart >= 0 : batch.usual) && inputs == figures.segmentInputs &&
                  isUsualStep(figures.run, previous, row.stamp);
    batch.stamps[at] = row.stamp;
    for (std::size_t i = 0; i < 4; ++i) batch.milli[i][at] = static_cast<std::int16_t>(row.milli[i]);
    batch.inputs[at] = inputs;
    return batch.count == RowBatch::capacity;
}

// Buckets in use, each covering bucketRows rows but the last.
std::size_t bucketsUsed(const LogFigures& figures);
inline std::uint64_t bucketRows(const LogFigures& figures) { return std::uint64_t{1} << figures.bucketShift; }
inline bool hasValues(const Bucket& bucket, std::size_t input)
{
    return bucket.analogMin[input] <= bucket.analogMax[input];
}

// The column title of input 1 to 4 (analog) or 5 to 8 (digital) as written, the logger's own
// label when the log has none; its label and its unit, which only an analog input's title in the
// quantity form, "LABEL [UNIT]", gives.
std::string titleOf(const LogFigures& figures, std::size_t index);
std::string labelOf(const LogFigures& figures, std::size_t index);
std::string unitOf(const LogFigures& figures, std::size_t input);
bool inQuantityForm(const LogFigures& figures, std::size_t input);

// The most decimals that the input's values had.
int decimalsOf(const AnalogFigures& analog);
