#pragma once
// The words of a PDF with their places, as poppler's pdftotext reads them.
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <filesystem>
#include <vector>

namespace qdx::test {

struct Word {
    QString text;
    double x = 0, y = 0, height = 0;  // points from the page's top left
    int page = 0;
    double right = 0;  // x of the word's right edge
};

inline std::vector<Word> words_of(const std::filesystem::path& pdf) {
    QProcess p;
    p.start("pdftotext", {"-bbox", QString::fromStdString(pdf.string()), "-"});
    p.waitForFinished(20000);
    const QString xml = QString::fromUtf8(p.readAllStandardOutput());
    std::vector<Word> words;
    int page = 0;
    QRegularExpression item(
        R"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re");
    for (auto it = item.globalMatch(xml); it.hasNext();) {
        auto m = it.next();
        if (m.captured(0) == "<page ") {
            ++page;
            continue;
        }
        // As typed: the XML's entities undone, ligatures ("ﬃ") taken apart.
        QString text = m.captured(5)
                           .replace("&apos;", "'")
                           .replace("&quot;", "\"")
                           .replace("&lt;", "<")
                           .replace("&gt;", ">")
                           .replace("&amp;", "&")
                           .normalized(QString::NormalizationForm_KC);
        words.push_back({text, m.captured(1).toDouble(), m.captured(2).toDouble(),
                         m.captured(4).toDouble() - m.captured(2).toDouble(), page,
                         m.captured(3).toDouble()});
    }
    return words;
}

inline const Word* find_word(const std::vector<Word>& words, const QString& text, int nth = 0) {
    for (const Word& w : words)
        if (w.text == text && nth-- == 0) return &w;
    return nullptr;
}

}  // namespace qdx::test
