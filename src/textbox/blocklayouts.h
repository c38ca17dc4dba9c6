#pragma once
// Qt's text layouts of the blocks in view, and the breaker that finds where
// a block's rows begin. Both lay a block out the same way (its shown
// characters, the box's font and width, Qt's plain text options), so that
// the rows drawn are the rows indexed. A block that plainly fits in a row is
// not laid out to be indexed: the widths of its characters, with room to
// spare for kerning, tell.

#include "textbox/controlglyphs.h"
#include "textdocument/crlfdocument.h"

#include <QTextLayout>
#include <map>
#include <memory>
#include <vector>

class BlockLayouts
{
public:
    using Pos = CrLfDocument::Pos;

    struct Block
    {
        Pos start = 0;
        QString source;  // the characters held, before any preedit
        QTextLayout layout;
        int firstRow = 0;
        bool endsInBreak = false;  // a CR LF follows it
        std::vector<int> boxed;
        int preeditAt = -1;  // in the source
        int preeditLength = 0;
        bool used = false;

        Pos end() const { return start + source.size(); }
        bool rightToLeft() const { return source.isRightToLeft(); }
        // Offsets of the layout, which holds a preedit, and of the source.
        int toLayout(int offset) const;
        int fromLayout(int offset) const;
        QTextLine lineAt(Pos pos) const;
    };

    explicit BlockLayouts(const QFont &font);

    // Each of these makes the layouts made so far stale.
    void setFont(const QFont &font);
    void setRoom(qreal room);  // 0 or less: rows end only at line breaks
    void setGrey(const QColor &grey);
    int rowHeight() const;

    // The breaker of the document's rows.
    void breakRows(QStringView block, std::vector<qsizetype> &starts) const;

    // The block that holds `row`, laid out on first use.
    const Block &block(const CrLfDocument &document, int row) const;
    // Layouts of blocks that end at or after `pos` are stale.
    void invalidateFrom(Pos pos);
    void clear() { m_blocks.clear(); }
    // Keeps only the layouts used since the last sweep.
    void sweep();

    // The input method's text, shown at `at` until it is committed.
    void setPreedit(Pos at, const QString &text, const QList<QTextLayout::FormatRange> &formats);

private:
    bool fits(QStringView block) const;
    void prepare(QTextLayout &layout, const QString &text, const QList<QTextLayout::FormatRange> &formats) const;

    QFont m_font;
    ControlGlyphs::Widths m_widths;
    qreal m_room = 0;
    qreal m_kerning = 0;  // the most a character may add to a row by kerning
    mutable int m_rowHeight = 0;
    QColor m_grey;
    Pos m_preeditAt = -1;
    QString m_preedit;
    QList<QTextLayout::FormatRange> m_preeditFormats;
    mutable std::map<Pos, std::unique_ptr<Block>> m_blocks;
};
