// Random text of every kind (any code point, lone surrogates, controls, XML specials) through
// TypeText: the text in the model is always safe, and the package stays well-formed and valid.

#include "support/DocxPackage.h"
#include "support/ExternalTools.h"
#include "word/CWordOper.h"
#include "wordfile/TextSanitizer.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

QString RandomText(QRandomGenerator& random) {
    QString text;
    const int length = random.bounded(0, 40);
    for (int i = 0; i < length; ++i) {
        switch (random.bounded(6)) {
        case 0: // C0 controls, CR and LF in particular
            text += QChar(char16_t(random.bounded(0, 0x20)));
            break;
        case 1: // lone or paired surrogates, in any order
            text += QChar(char16_t(random.bounded(0xD800, 0xE000)));
            break;
        case 2:
            text += QChar(char16_t(random.bounded(2) ? 0xFFFE : 0xFFFF));
            break;
        case 3: // any code point, beyond the BMP too
            text +=
                QString::fromUcs4(std::array<char32_t, 1>{char32_t(random.bounded(1, 0x110000))}.data(), 1);
            break;
        case 4:
            text += QStringLiteral("<&>\"']]>");
            break;
        default:
            text += QStringLiteral("正常 text ");
        }
    }
    return text;
}

bool IsSafe(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text.at(i).unicode();
        if ((u < 0x20 && u != u'\t' && u != u'\n') || u == 0xFFFE || u == 0xFFFF)
            return false;
        if (text.at(i).isHighSurrogate()) {
            if (i + 1 >= text.size() || !text.at(i + 1).isLowSurrogate())
                return false;
            ++i;
        } else if (text.at(i).isLowSurrogate()) {
            return false;
        }
    }
    return true;
}

// The text of document.xml as a reader gets it back: w:t contents, w:tab and w:br.
QString TextOfDocument(const QByteArray& xml, QString* error) {
    QString text;
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement())
            continue;
        if (reader.name() == QLatin1String("t"))
            text += reader.readElementText();
        else if (reader.name() == QLatin1String("tab"))
            text += u'\t';
        else if (reader.name() == QLatin1String("br"))
            text += u'\n';
    }
    if (reader.hasError())
        *error = reader.errorString();
    return text;
}

} // namespace

class TestTextFuzz : public QObject {
    Q_OBJECT

private slots:
    void sanitizedTextIsAlwaysSafe();
    void packagesStayValid();
};

void TestTextFuzz::sanitizedTextIsAlwaysSafe() {
    QRandomGenerator random(20240506);
    for (int i = 0; i < 20000; ++i) {
        const QString raw = RandomText(random);
        const QString safe = Word::TextSanitizer::MakeSafe(raw);
        QVERIFY2(IsSafe(safe), qPrintable(QStringLiteral("round %1").arg(i)));
        QCOMPARE(Word::TextSanitizer::MakeSafe(safe), safe);
        QVERIFY(!safe.contains(u'\r'));
    }
}

void TestTextFuzz::packagesStayValid() {
    ZOLT_REQUIRE(ExternalTools::MissingForSchemas());
    QTemporaryDir dir;
    QRandomGenerator random(7);
    for (int round = 0; round < 6; ++round) {
        CWordOper word;
        word.Start();
        QString typed;
        // Text in body paragraphs and in table cells.
        for (int i = 0; i < 30; ++i) {
            const QString raw = RandomText(random);
            word.TypeText(raw);
            typed += Word::TextSanitizer::MakeSafe(raw);
            if (i % 10 == 9) {
                word.TypeParagraph();
                word.AddTable(1, 3);
                for (int cell = 0; cell < 3; ++cell) {
                    const QString inCell = RandomText(random);
                    word.TypeText(inCell);
                    typed += Word::TextSanitizer::MakeSafe(inCell);
                    word.MoveRight();
                }
                word.MoveRight();
            }
        }
        const QString path = dir.filePath(QStringLiteral("fuzz%1.docx").arg(round));
        QVERIFY(word.SaveAs(path));
        DocxPackage package(path);
        QString error;
        QCOMPARE(TextOfDocument(package.Read(QStringLiteral("word/document.xml")), &error), typed);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        const QString problems = ExternalTools::ValidateDocx(path);
        QVERIFY2(problems.isEmpty(), qPrintable(QStringLiteral("round %1: %2").arg(round).arg(problems)));
    }
}

QTEST_GUILESS_MAIN(TestTextFuzz)
#include "tst_textfuzz.moc"
