// Folds rows into the report's figures and buckets, one by one or a batch at a time.
#include "report/LogFigures.h"

#include <algorithm>
#include <bit>

#include "driver/TextCodec.h"
#include "report/AlarmLog.h"

namespace {

void mergeInto(Bucket& into, const Bucket& left, const Bucket& right)
{
    Bucket merged = left;
    for (std::size_t i = 0; i < 4; ++i) {
        merged.analogMin[i] = std::min(left.analogMin[i], right.analogMin[i]);
        merged.analogMax[i] = std::max(left.analogMax[i], right.analogMax[i]);
    }
    merged.seenOpen = left.seenOpen | right.seenOpen;
    merged.seenClosed = left.seenClosed | right.seenClosed;
    merged.runStart = left.runStart || right.runStart;
    merged.gapBefore = left.gapBefore || right.gapBefore;
    merged.rows = left.rows + right.rows;
    merged.awayRows = left.awayRows + right.awayRows;
    merged.alarms = left.alarms | right.alarms;
    merged.lastStamp = right.lastStamp;
    into = merged;
}

// Halves the resolution: bucket k takes what buckets 2k and 2k+1 held.
void halveBuckets(LogFigures& figures)
{
    auto& buckets = figures.buckets;
    for (std::size_t k = 0; k < bucketCount / 2; ++k) mergeInto(buckets[k], buckets[2 * k], buckets[2 * k + 1]);
    std::fill(buckets.begin() + bucketCount / 2, buckets.end(), Bucket{});
    ++figures.bucketShift;
    figures.bucketMask = bucketRows(figures) - 1;
}

// Counts the segment's rows up to the row before end.
void endSegment(LogFigures& figures, std::int64_t end)
{
    if (figures.segmentStart >= 0) figures.run.rowsByInputs[figures.segmentInputs] += end - figures.segmentStart;
    figures.segmentStart = -1;
}

void markGap(LogFigures& figures, std::uint64_t row, DateValue seconds)
{
    figures.buckets[row >> figures.bucketShift].gapBefore = true;
    ++figures.gaps;
    figures.longestGap = std::max(figures.longestGap, seconds);
}

bool isGap(const RunState& run, DateValue seconds) { return seconds > 2 * run.spacing; }

void settleSpacing(LogFigures& figures)
{
    RunState& run = figures.run;
    if (run.settled) return;
    std::array<DateValue, RunState::stepsKept> steps{};
    for (std::size_t i = 0; i < run.firstStepCount; ++i) steps[i] = run.firstSteps[i].seconds;
    const auto end = steps.begin() + static_cast<std::ptrdiff_t>(run.firstStepCount);
    std::sort(steps.begin(), end);
    std::ptrdiff_t most = 0;
    for (auto same = steps.begin(); same != end;) {
        const auto next = std::upper_bound(same, end, *same);
        if (next - same > most) {
            most = next - same;
            run.spacing = *same;
        }
        same = next;
    }
    run.settled = run.firstStepCount > 0;
    for (std::size_t i = 0; run.settled && i < run.firstStepCount; ++i)
        if (isGap(run, run.firstSteps[i].seconds)) markGap(figures, run.firstSteps[i].row, run.firstSteps[i].seconds);
    run.firstStepCount = 0;
}

// A step back in time or none (the clock put back) is no gap and says nothing of the spacing.
void noteStep(LogFigures& figures, std::uint64_t row, DateValue seconds)
{
    RunState& run = figures.run;
    if (seconds <= 0) return;
    if (run.settled) {
        if (isGap(run, seconds)) markGap(figures, row, seconds);
        return;
    }
    run.firstSteps[run.firstStepCount++] = {row, seconds};
    if (run.firstStepCount == run.firstSteps.size()) settleSpacing(figures);
}

void takeDigitalInputs(LogFigures& figures, Bucket& bucket, std::uint32_t known, std::uint32_t closed, DateValue stamp)
{
    endSegment(figures, figures.rows - 1);
    figures.segmentStart = figures.rows - 1;
    figures.segmentInputs = known << 4 | closed;
    bucket.seenOpen |= known & ~closed;
    bucket.seenClosed |= closed;

    const std::uint32_t open = known & ~closed;
    const std::uint32_t changed = (closed ^ figures.closedInputs) & known & figures.knownInputs;
    for (std::size_t i = 0; i < 4; ++i) {
        DigitalFigures& digital = figures.digital[i];
        digital.changes += changed >> i & 1u;
        if ((open & ~figures.everOpen) >> i & 1u) digital.firstOpenStamp = stamp;
        if ((closed & ~figures.everClosed) >> i & 1u) digital.firstClosedStamp = stamp;
        // The inputs that the row before read keep its stamp.
        if (figures.latestKnown >> i & 1u) figures.lastKnownStamp[i] = figures.latestPresentStamp;
    }
    figures.everOpen |= open;
    figures.everClosed |= closed;
    figures.closedInputs = (figures.closedInputs & ~known) | closed;
    figures.knownInputs |= known;
    figures.latestKnown = known;
    figures.latestPresentStamp = stamp;
}

// One value into its bucket and its input's figures.
void takeValue(LogFigures& figures, Bucket& bucket, std::size_t input, AnalogValue value, std::uint32_t places,
               DateValue stamp)
{
    AnalogFigures& analog = figures.analog[input];
    bucket.analogMin[input] = std::min(bucket.analogMin[input], value);
    bucket.analogMax[input] = std::max(bucket.analogMax[input], value);
    if (value < analog.minimum) {
        analog.minimum = value;
        analog.minStamp = stamp;
    }
    if (value > analog.maximum) {
        analog.maximum = value;
        analog.maxStamp = stamp;
    }
    ++analog.values;
    addToSum(analog.sum, value);
    analog.last = value;
    analog.lastStamp = stamp;
    analog.places |= places;
}

// Adds the row to the figures, without the values of the inputs in leftOut and of empty fields;
// a row with any left out is shaded and counts as one of an absent board.
void foldRow(LogFigures& figures, const LogRow& row, std::uint32_t leftOut)
{
    RunState& run = figures.run;
    const auto index = static_cast<std::uint64_t>(figures.rows);
    if ((index >> figures.bucketShift) == bucketCount) halveBuckets(figures);
    Bucket& bucket = figures.buckets[index >> figures.bucketShift];
    if (bucket.rows == 0) {
        bucket.analogMin.fill(std::numeric_limits<AnalogValue>::max());
        bucket.analogMax.fill(std::numeric_limits<AnalogValue>::min());
        bucket.firstStamp = row.stamp;
    }
    // Batches leave the latest stamp to the row after them or to the run's end: their stamps rise.
    if (index == 0) figures.firstStamp = figures.lastStamp = row.stamp;
    figures.firstStamp = std::min(figures.firstStamp, row.stamp);
    figures.lastStamp = std::max({figures.lastStamp, row.stamp, run.hasRow ? run.lastStamp : row.stamp});
    if (!run.hasRow) {
        if (index > 0) bucket.runStart = true;
        run.hasRow = true;
    } else {
        noteStep(figures, index, row.stamp - run.lastStamp);
    }
    ++bucket.rows;
    bucket.lastStamp = row.stamp;
    ++figures.rows;
    run.lastStamp = row.stamp;
    run.previousAway = isAway(row);
    if (leftOut != 0) {
        endSegment(figures, figures.rows - 1);
        ++bucket.awayRows;
        ++figures.awayRows;
    } else {
        takeDigitalInputs(figures, bucket, row.knownInputs, row.closedInputs & row.knownInputs, row.stamp);
    }
    const std::uint32_t none = leftOut | row.emptyFields;
    for (std::size_t i = 0; i < 4; ++i)
        if ((none >> i & 1u) == 0) takeValue(figures, bucket, i, row.analog[i], row.places >> 8 * i & 0xFFu, row.stamp);
    if (figures.alarms) bucket.alarms |= alarmRow(*figures.alarms, row.stamp, row.analog, ~none & allInputs);
}

// The row that waited for this one (or for the run's end, when there is none) to tell whether
// it is the edge of an outage.
void foldHeldRow(LogFigures& figures, bool outageFollows)
{
    RunState& run = figures.run;
    if (!run.holding) return;
    run.holding = false;
    foldRow(figures, run.held, outageFollows ? run.held.silentInputs : 0);
}

void endRun(LogFigures& figures)
{
    RunState& run = figures.run;
    if (!run.open) return;
    foldHeldRow(figures, false);
    settleSpacing(figures);
    endSegment(figures, figures.rows);
    if (run.hasRow) figures.lastStamp = std::max(figures.lastStamp, run.lastStamp);
    const DateValue weight = run.spacing > 0 ? run.spacing : 1;
    for (std::uint32_t inputs = 0; inputs < run.rowsByInputs.size(); ++inputs) {
        const std::int64_t rows = run.rowsByInputs[inputs];
        for (std::size_t i = 0; rows > 0 && i < 4; ++i) {
            DigitalFigures& digital = figures.digital[i];
            const bool known = (inputs >> (4 + i) & 1u) != 0;
            const bool closed = (inputs >> i & 1u) != 0;
            digital.values += known ? rows : 0;
            const double seconds = static_cast<double>(rows) * static_cast<double>(weight);
            digital.knownSeconds += known ? seconds : 0;
            digital.closedSeconds += closed ? seconds : 0;
        }
    }
    run = RunState{};
}

// How many rows from k on need nothing row by row: they lie in a bucket begun before them,
// every step is a usual one (a row that follows in the same run, no gap, no new spacing, the
// stamps rising), and the digital inputs stay those of the row before, so the bucket has seen
// them. 0 when row k itself needs more.
std::size_t usualStretch(const LogFigures& figures, const RowBatch& batch, std::size_t k)
{
    const RunState& run = figures.run;
    const auto first = static_cast<std::uint64_t>(figures.rows);
    if ((first & figures.bucketMask) == 0 || !run.hasRow || run.holding || figures.segmentStart < 0) return 0;
    const std::size_t end = static_cast<std::size_t>(
        std::min<std::uint64_t>(batch.count, k + (bucketRows(figures) - (first & figures.bucketMask))));
    // Mostly told as the rows came.
    if (batch.usual) return end - k;
    std::size_t stop = k;
    while (stop < end && batch.inputs[stop] == figures.segmentInputs &&
           isUsualStep(run, stop == k ? run.lastStamp : batch.stamps[stop - 1], batch.stamps[stop]))
        ++stop;
    return stop - k;
}

LogRow rowOf(const RowBatch& batch, std::size_t k)
{
    LogRow row;
    row.stamp = batch.stamps[k];
    for (std::size_t i = 0; i < 4; ++i) row.analog[i] = batch.milli[i][k] * thousandth;
    row.knownInputs = batch.inputs[k] >> 4;
    row.closedInputs = batch.inputs[k] & 0xFu;
    return row;
}

// Rows k to k + count - 1, a usual stretch.
void addStretch(LogFigures& figures, const RowBatch& batch, std::size_t k, std::size_t count)
{
    Bucket& bucket = figures.buckets[static_cast<std::uint64_t>(figures.rows) >> figures.bucketShift];
    const std::size_t end = k + count;
    for (std::size_t i = 0; i < 4; ++i) {
        const auto& column = batch.milli[i];
        std::int16_t low = column[k];
        std::int16_t high = column[k];
        std::int32_t sum = 0;
        for (std::size_t j = k; j < end; ++j) {
            low = std::min(low, column[j]);
            high = std::max(high, column[j]);
            sum += column[j];
        }
        const AnalogValue lowest = low * thousandth;
        const AnalogValue highest = high * thousandth;
        bucket.analogMin[i] = std::min(bucket.analogMin[i], lowest);
        bucket.analogMax[i] = std::max(bucket.analogMax[i], highest);
        AnalogFigures& analog = figures.analog[i];
        analog.values += static_cast<std::int64_t>(count);
        addToSum(analog.sum, sum * thousandth);
        // The first row that holds a new minimum or maximum gives its stamp.
        if (lowest < analog.minimum) {
            analog.minimum = lowest;
            analog.minStamp = batch.stamps[static_cast<std::size_t>(
                std::find(column.data() + k, column.data() + end, low) - column.data())];
        }
        if (highest > analog.maximum) {
            analog.maximum = highest;
            analog.maxStamp = batch.stamps[static_cast<std::size_t>(
                std::find(column.data() + k, column.data() + end, high) - column.data())];
        }
        analog.last = column[end - 1] * thousandth;
        analog.lastStamp = batch.stamps[end - 1];
    }
    const DateValue last = batch.stamps[end - 1];
    // The stamps of a stretch rise: when its last is before every period, so are the others.
    if (figures.alarms && alarmsDue(*figures.alarms, last)) {
        for (std::size_t j = k; j < end; ++j) {
            std::array<AnalogValue, 4> values{};
            for (std::size_t i = 0; i < 4; ++i) values[i] = batch.milli[i][j] * thousandth;
            bucket.alarms |= alarmRow(*figures.alarms, batch.stamps[j], values, allInputs);
        }
    }
    bucket.rows += static_cast<std::uint32_t>(count);
    bucket.lastStamp = last;
    figures.rows += static_cast<std::int64_t>(count);
    figures.run.lastStamp = last;
    figures.latestPresentStamp = last;
}

}  // namespace

void startRun(LogFigures& figures, const std::array<std::string_view, 8>* titles)
{
    endRun(figures);
    ++figures.runs;
    figures.run.open = true;
    if (figures.alarms) alarmRunStarts(*figures.alarms, titles);
    if (titles && !figures.haveTitles) {
        figures.titlesUtf8 = true;
        for (std::size_t i = 0; i < titles->size(); ++i) {
            figures.titles[i] = std::string((*titles)[i]);
            figures.titlesUtf8 = figures.titlesUtf8 && isUtf8(figures.titles[i]);
        }
        figures.haveTitles = true;
    }
}

void addRow(LogFigures& figures, const LogRow& row)
{
    if (!figures.run.open) startRun(figures, nullptr);
    RunState& run = figures.run;
    foldHeldRow(figures, isAway(row));
    if (row.silentInputs != 0 && !isAway(row) && !run.previousAway) {
        run.held = row;
        run.holding = true;
        return;
    }
    // Here a row's silent values are none, or those of an absent board, or an edge's.
    foldRow(figures, row, row.silentInputs);
}

void addRows(LogFigures& figures, RowBatch& batch)
{
    // Every value of a batch counts, and has two decimals.
    if (batch.count > 0)
        for (AnalogFigures& analog : figures.analog) analog.places |= usualPlaces & 0xFFu;
    for (std::size_t k = 0; k < batch.count;) {
        const std::size_t stretch = usualStretch(figures, batch, k);
        if (stretch > 0) {
            addStretch(figures, batch, k, stretch);
            k += stretch;
        } else {
            addRow(figures, rowOf(batch, k++));
        }
    }
    batch.count = 0;
}

void finishFigures(LogFigures& figures)
{
    endRun(figures);
    for (std::size_t i = 0; i < 4; ++i) {
        DigitalFigures& digital = figures.digital[i];
        digital.last = (figures.knownInputs >> i & 1u) != 0 ? static_cast<int>(figures.closedInputs >> i & 1u) : -1;
        digital.lastStamp =
            (figures.latestKnown >> i & 1u) != 0 ? figures.latestPresentStamp : figures.lastKnownStamp[i];
    }
}

std::size_t bucketsUsed(const LogFigures& figures)
{
    if (figures.rows == 0) return 0;
    return static_cast<std::size_t>((static_cast<std::uint64_t>(figures.rows) - 1) >> figures.bucketShift) + 1;
}

std::string titleOf(const LogFigures& figures, std::size_t index)
{
    return figures.haveTitles ? figures.titles[index] : defaultLabel(index);
}

std::string labelOf(const LogFigures& figures, std::size_t index)
{
    const std::string title = titleOf(figures, index);
    return index < 4 ? std::string(splitColumnTitle(title).label) : title;
}

std::string unitOf(const LogFigures& figures, std::size_t input)
{
    return std::string(splitColumnTitle(titleOf(figures, input)).unit);
}

bool inQuantityForm(const LogFigures& figures, std::size_t input)
{
    const std::string title = titleOf(figures, input);
    return splitColumnTitle(title).label.size() < title.size();
}

int decimalsOf(const AnalogFigures& analog) { return std::max(static_cast<int>(std::bit_width(analog.places)) - 1, 0); }
