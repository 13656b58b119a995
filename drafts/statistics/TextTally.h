// Counts of a run of plain text that add up when runs are joined at a line
// break.
#pragma once

// Grapheme clusters and line breaks of a text, with the blank ones at its two
// ends apart (a post's numbers leave those out), and its words and letters.
// Two tallies add (`+`) when the texts they count are joined where a line
// break stands on either side, since no word or cluster crosses one.
struct TextTally {
    int clusters = 0;
    int newlines = 0;
    bool blank = true; // only whitespace (or nothing)
    int leadingBlankClusters = 0;
    int leadingNewlines = 0;
    int trailingBlankClusters = 0;
    int trailingNewlines = 0;
    int words = 0;
    int letters = 0;

    // One line break.
    static TextTally newline() { return {1, 1, true, 1, 1, 1, 1, 0, 0}; }

    int characters() const
    {
        return blank ? 0 : clusters - leadingBlankClusters - trailingBlankClusters;
    }
    int lines() const { return blank ? 1 : newlines - leadingNewlines - trailingNewlines + 1; }

    friend TextTally operator+(const TextTally& a, const TextTally& b)
    {
        TextTally sum;
        sum.clusters = a.clusters + b.clusters;
        sum.newlines = a.newlines + b.newlines;
        sum.blank = a.blank && b.blank;
        sum.leadingBlankClusters =
            a.blank ? a.clusters + b.leadingBlankClusters : a.leadingBlankClusters;
        sum.leadingNewlines = a.blank ? a.newlines + b.leadingNewlines : a.leadingNewlines;
        sum.trailingBlankClusters =
            b.blank ? b.clusters + a.trailingBlankClusters : b.trailingBlankClusters;
        sum.trailingNewlines = b.blank ? b.newlines + a.trailingNewlines : b.trailingNewlines;
        sum.words = a.words + b.words;
        sum.letters = a.letters + b.letters;
        return sum;
    }
    bool operator==(const TextTally&) const = default;
};
