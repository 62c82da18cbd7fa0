#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

// Reads a Word 97-2003 binary document back for tests: the compound file ([MS-CFB]) with its FAT,
// DIFAT, directory tree and mini stream, then the Word structures ([MS-DOC]): FIB, piece table,
// character and paragraph property pages, tables, section, fonts, styles and inline pictures.
// While reading it checks the invariants that Word and other readers rely on and lists every
// violation in Problems(); a file that cannot be read at all has at least one problem.
class DocReader {
public:
    using Sprm = std::pair<std::uint16_t, QByteArray>; // opcode and operand
    using Sprms = std::vector<Sprm>;

    struct DirEntry {
        QString name;
        int type = 0; // 1 storage, 2 stream, 5 root
        bool black = false;
        std::uint32_t left = 0, right = 0, child = 0, start = 0;
        std::uint64_t size = 0;
        QByteArray clsid;
    };

    struct Paragraph {
        int cpStart = 0;
        int cpEnd = 0;     // behind the mark
        QString text;      // without the mark
        char16_t mark = 0; // 0x0D paragraph, 0x07 cell or row end
        std::uint16_t istd = 0;
        Sprms papx;
        bool inTable = false;
        bool rowEnd = false;
        int justification = 0; // sprmPJc80: 0 left, 1 centre
    };

    struct CharRun {
        int cpStart = 0;
        int cpEnd = 0;
        Sprms chpx;
    };

    struct TableRow {
        QStringList cells;      // text of each cell, paragraphs joined with '\r'
        std::vector<int> edges; // sprmTDefTable rgdxaCenter, twips
        Sprms tapx;             // all sprms of the row-end mark
    };
    struct Table {
        std::vector<TableRow> rows;
    };

    struct Picture {
        int cp = 0;
        std::uint32_t dataOffset = 0; // sprmCPicLocation
        std::uint32_t lcb = 0;
        int cbHeader = 0;
        int mm = 0;
        int dxaGoal = 0, dyaGoal = 0, mx = 0, my = 0;
        int shapeType = -1;     // OfficeArtFSP instance
        int pib = -1;           // blip index property of the shape
        int fbseType = -1;      // btWin32 of the FBSE
        int blipRecordType = 0; // 0xF01E PNG, 0xF01D JPEG
        QByteArray blipData;    // the image file's bytes
        double WidthPt() const { return dxaGoal * mx / 1000.0 / 20.0; }
        double HeightPt() const { return dyaGoal * my / 1000.0 / 20.0; }
    };

    struct Font {
        QString name;
        QString altName;
        int charset = 0;
    };

    struct Style {
        int istd = 0;
        int sti = 0;
        int stk = 0;
        QString name;
        Sprms papx; // paragraph styles
        Sprms chpx;
    };

    struct Section {
        int pageWidth = 0, pageHeight = 0; // twips
        int top = 0, bottom = 0, left = 0, right = 0;
        Sprms sepx;
    };

    bool Load(const QString& path);
    bool LoadBytes(const QByteArray& file);

    QStringList Problems() const { return m_problems; }

    // Container.
    const std::vector<DirEntry>& Directory() const { return m_directory; }
    QStringList StreamNames() const;
    bool HasStream(const QString& name) const;
    QByteArray Stream(const QString& name) const;
    std::uint32_t FatSectorCount() const { return m_fatSectors; }
    std::uint32_t DifatSectorCount() const { return m_difatSectors; }
    QByteArray RootClassId() const;

    // Word document (empty when there is no WordDocument stream).
    bool IsWordDocument() const { return m_isWord; }
    int Nfib() const { return m_nFib; }
    int CcpText() const { return m_ccpText; }
    bool TableStreamIsOne() const { return m_table1; }
    QString Text() const { return m_text; } // main text, marks included
    const std::vector<Paragraph>& Paragraphs() const { return m_paragraphs; }
    const std::vector<CharRun>& CharRuns() const { return m_charRuns; }
    std::vector<Table> Tables() const;
    const std::vector<Picture>& Pictures() const { return m_pictures; }
    const std::vector<Font>& Fonts() const { return m_fonts; }
    const std::vector<Style>& Styles() const { return m_styles; }
    const Section& GetSection() const { return m_section; }
    int DopSize() const { return m_dopSize; }
    int PieceCount() const { return m_pieceCount; }

    // Character properties in effect at a character position (direct formatting only).
    const Sprms* CharSprmsAt(int cp) const;
    static std::optional<QByteArray> Find(const Sprms& sprms, std::uint16_t opcode); // last one wins
    static int OperandInt(const QByteArray& operand); // little-endian, signed by size
    QString FontNameAt(int cp, std::uint16_t ftcSprm = 0x4A4F) const;
    double PointSizeAt(int cp) const; // 0 when not set
    bool BoldAt(int cp) const;

    static bool ParseSprms(const QByteArray& grpprl, Sprms* out);

private:
    void Problem(const QString& text) { m_problems << text; }
    bool ReadContainer();
    std::vector<std::uint32_t> Chain(std::uint32_t start, const std::vector<std::uint32_t>& fat,
                                     std::vector<int>* owner, int id, const QString& what);
    void CheckTree(std::uint32_t node, int depth, std::vector<int>* seen, int* blackHeight, int blacks,
                   const QString* lowerBound, const QString* upperBound);
    void ReadWord();
    void ReadPieces(const QByteArray& table, std::uint32_t fc, std::uint32_t lcb, const QByteArray& word);
    void ReadFkps(const QByteArray& table, std::uint32_t fc, std::uint32_t lcb, const QByteArray& word,
                  bool paragraphs);
    void
    BuildParagraphs(const std::vector<std::pair<std::pair<int, int>, std::pair<std::uint16_t, Sprms>>>& runs);
    void ReadSection(const QByteArray& table, std::uint32_t fc, std::uint32_t lcb, const QByteArray& word);
    void ReadFonts(const QByteArray& table, std::uint32_t fc, std::uint32_t lcb);
    void ReadStyles(const QByteArray& table, std::uint32_t fc, std::uint32_t lcb);
    void ReadPictures();
    void CheckTables();

    QByteArray m_file;
    QStringList m_problems;
    std::vector<DirEntry> m_directory;
    std::vector<QByteArray> m_streams; // by directory index
    std::uint32_t m_fatSectors = 0;
    std::uint32_t m_difatSectors = 0;

    bool m_isWord = false;
    int m_nFib = 0;
    int m_ccpText = 0;
    bool m_table1 = false;
    std::uint32_t m_textFc = 0;                           // single-piece documents: fc of cp 0
    std::vector<std::pair<int, std::uint32_t>> m_pieceFc; // cp start -> fc, per piece
    int m_pieceCount = 0;
    QString m_text;
    std::vector<Paragraph> m_paragraphs;
    std::vector<CharRun> m_charRuns;
    std::vector<Picture> m_pictures;
    std::vector<Font> m_fonts;
    std::vector<Style> m_styles;
    Section m_section;
    int m_dopSize = 0;
};
