#pragma once

#include <QList>
#include <QString>

// The body of a .docx as a reader sees it, parsed from word/document.xml: paragraphs with their
// alignment and run formats, tables with their grid, cell spans, texts and pictures.
class DocxBody {
public:
    struct Run {
        QString text;
        QString eastAsiaFont;
        int halfPoints = 0;
        bool bold = false;
        bool picture = false;
        qint64 pictureCx = 0; // EMU
        qint64 pictureCy = 0;
    };
    struct Paragraph {
        bool centred = false;
        QList<Run> runs;
        QString Text() const;
        int PictureCount() const;
    };
    struct Cell {
        int gridSpan = 1;
        QList<Paragraph> paragraphs;
        QString Text() const;
        QList<Run> Pictures() const;
    };
    struct Table {
        int gridColumns = 0;
        QList<QList<Cell>> rows;
    };
    struct Element {
        bool isTable = false;
        Paragraph paragraph;
        Table table;
    };

    // Reads `docxPath`; on failure Elements() is empty and Error() says why.
    explicit DocxBody(const QString& docxPath);

    const QList<Element>& Elements() const { return m_elements; }
    const QString& Error() const { return m_error; }

    // Every paragraph of the body and of its tables.
    QList<Paragraph> AllParagraphs() const;

private:
    QList<Element> m_elements;
    QString m_error;
};
