// Every fuzz target over its committed corpus, built with the normal
// compiler (and in the sanitizer build with ASan and UBSan): the seeds and
// every input that once broke a unit stay checked on each test run, also
// where clang and libFuzzer are not at hand.
#include "FuzzTarget.h"
#include "PdfTextDocument.h"

#include "pdf/PdfTestTools.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <exception>
#include <set>
#include <string>

namespace {

const QString kCorpusRoot = QStringLiteral(ZIRK_SOURCE_DIR "/fuzz/corpus");

QStringList corpusFiles(const QString &target)
{
    QDir dir(kCorpusRoot + QLatin1Char('/') + target);
    QStringList files;
    for (const QString &name : dir.entryList(QDir::Files, QDir::Name))
        files << dir.filePath(name);
    return files;
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(FuzzCorpus, EveryTargetHasSeedsAndHoldsOnThem)
{
    ASSERT_FALSE(fuzz::targets().empty());
    std::set<std::string> names;
    for (const fuzz::Target &target : fuzz::targets()) {
        EXPECT_TRUE(names.insert(target.name).second) << "two targets named " << target.name;
        const QStringList files = corpusFiles(QString::fromLatin1(target.name));
        EXPECT_FALSE(files.isEmpty()) << target.name << " has no seed corpus";
        for (const QString &path : files) {
            const QByteArray input = contents(path);
            try {
                target.run(reinterpret_cast<const std::uint8_t *>(input.constData()), std::size_t(input.size()));
            } catch (const std::exception &e) {
                ADD_FAILURE() << path.toStdString() << ": " << e.what();
            }
        }
    }
}

TEST(FuzzCorpus, EveryCorpusFolderHasItsTarget)
{
    std::set<QString> names;
    for (const fuzz::Target &target : fuzz::targets())
        names.insert(QString::fromLatin1(target.name));
    for (const QString &folder : QDir(kCorpusRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        EXPECT_TRUE(names.count(folder)) << folder.toStdString();
}

// The text path's promise to the reader: whatever the text, qpdf finds
// nothing wrong with the file.
TEST(FuzzCorpus, PdfTextDocumentsPassQpdfCheck)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QStringList files = corpusFiles(QStringLiteral("pdf_text"));
    ASSERT_FALSE(files.isEmpty());
    for (const QString &path : files) {
        const QByteArray input = contents(path);
        const QString pdf = dir.filePath(QStringLiteral("text.pdf"));
        ASSERT_TRUE(writeFile(pdf, pdfTextDocument(reinterpret_cast<const std::uint8_t *>(input.constData()),
                                                   std::size_t(input.size()))));
        const ToolResult qpdf = runTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), pdf});
        ASSERT_TRUE(qpdf.started) << "qpdf is not installed";
        EXPECT_EQ(qpdf.exitCode, 0) << path.toStdString() << "\n" << qpdf.out.toStdString() << qpdf.err.toStdString();
    }
}

} // namespace
