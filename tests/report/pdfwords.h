#pragma once
// Words of a PDF with their boxes, read back with poppler's pdftotext -bbox,
// and a tolerant comparison of rendered pages with golden images.

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QString>
#include <QVector>
#include <QtTest>

namespace reporttest {

constexpr double kPointsPerMm = 72 / 25.4;

struct PdfWord {
    int page = 0;                                  // 1-based
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0; // points from the sheet's top-left
    QString text;
    double Height() const { return yMax - yMin; }
};

// An image standing for a 287 x 200 mm page at 4 pixels per millimetre.
inline QImage PageImage() {
    QImage image(1148, 800, QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    return image;
}

inline bool HavePdfToText() {
    return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty();
}

inline QVector<PdfWord> ReadPdfWords(const QString& pdf) {
    QVector<PdfWord> words;
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(60000)) return words;
    const QString html = QString::fromUtf8(p.readAllStandardOutput());
    static const QRegularExpression pageRe(QStringLiteral(R"(<page )"));
    static const QRegularExpression wordRe(QStringLiteral(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"));
    int page = 0;
    for (const QString& line : html.split(QLatin1Char('\n'))) {
        if (line.contains(pageRe)) ++page;
        const QRegularExpressionMatch m = wordRe.match(line);
        if (!m.hasMatch()) continue;
        PdfWord w;
        w.page = page;
        w.xMin = m.captured(1).toDouble();
        w.yMin = m.captured(2).toDouble();
        w.xMax = m.captured(3).toDouble();
        w.yMax = m.captured(4).toDouble();
        w.text = m.captured(5).replace(QStringLiteral("&amp;"), QStringLiteral("&"));
        words << w;
    }
    return words;
}

inline int PageCount(const QVector<PdfWord>& words) {
    int n = 0;
    for (const PdfWord& w : words)
        n = std::max(n, w.page);
    return n;
}

// The first word with this text (on the page, when one is given).
inline const PdfWord* FindWord(const QVector<PdfWord>& words, const QString& text, int page = 0) {
    for (const PdfWord& w : words)
        if (w.text == text && (page == 0 || w.page == page)) return &w;
    return nullptr;
}

// The word that follows a word on its line: the nearest one to its right
// (the PDF's own order need not be the reading order).
inline QString WordAfter(const QVector<PdfWord>& words, const QString& text, int page = 0) {
    const PdfWord* word = FindWord(words, text, page);
    if (!word) return {};
    const PdfWord* next = nullptr;
    for (const PdfWord& w : words)
        if (w.page == word->page && std::abs(w.yMax - word->yMax) < 1 && w.xMin > word->xMax &&
            (!next || w.xMin < next->xMin))
            next = &w;
    return next ? next->text : QString();
}

// Share of pixels that differ by more than 64 in some channel; 1 when the
// sizes differ.
inline double DifferingShare(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return 1;
    qint64 differing = 0;
    for (int row = 0; row < a.height(); ++row)
        for (int col = 0; col < a.width(); ++col) {
            const QRgb p = a.pixel(col, row);
            const QRgb q = b.pixel(col, row);
            differing += std::abs(qRed(p) - qRed(q)) > 64 || std::abs(qGreen(p) - qGreen(q)) > 64 ||
                         std::abs(qBlue(p) - qBlue(q)) > 64;
        }
    return double(differing) / (double(a.width()) * a.height());
}

// Compares with the golden image in tests/data/report; with
// SOARNOTE_UPDATE_GOLDEN set the golden is written instead.
inline void CompareWithGolden(const QImage& image, const QString& name, double tolerance) {
    const QString path = QStringLiteral(SOARNOTE_TEST_DATA "/report/") + name;
    if (qEnvironmentVariableIsSet("SOARNOTE_UPDATE_GOLDEN")) {
        QVERIFY(image.save(path));
        return;
    }
    QImage golden(path);
    QVERIFY2(!golden.isNull(), qPrintable(QStringLiteral("golden image missing: ") + path));
    const double share = DifferingShare(image, golden);
    if (share > tolerance) image.save(QDir::temp().filePath(name));
    QVERIFY2(share <= tolerance, qPrintable(QStringLiteral("%1: %2 of the pixels differ (see %3)")
                                                .arg(name)
                                                .arg(share)
                                                .arg(QDir::temp().filePath(name))));
}

} // namespace reporttest
