// What signing adds to a protocol: a typical one (50 stop times, the
// analysis page, two pictures) written unsigned, and the same written with
// its measurement attached and a PAdES signature of a 2048-bit RSA key.
// Target: the signed one takes under 50 ms more.  The key is made at run
// time with the openssl command.

#include "pdf/PdfSignature.h"
#include "pdf/zPdf.h"
#include "report/ProtocolRecord.h"
#include "report/Report.h"

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

ReportContent typicalProtocol()
{
    ReportContent c;
    c.when = QDateTime::currentDateTime();
    c.companyName = QStringLiteral("Zirk Instruments");
    c.userName = QStringLiteral("Jana Novak");
    c.machineId = QStringLiteral("Press 4");
    c.safetyDevice = QStringLiteral("Vertical Light Curtain");
    c.deviceParams = QStringLiteral("d=14 mm");
    std::vector<double> values;
    for (int i = 0; i < 50; ++i)
        values.push_back(150.0 + (i * 37 % 20));
    setReportSeries(c, values);
    c.safetyDistanceMm = 412.0;
    c.analysis = ReportAnalysis{values, SafetyDevice{}, DistanceChoice{}};
    for (int slot = 0; slot < 2; ++slot) {
        c.pictures[size_t(slot)].include = true;
        c.pictures[size_t(slot)].bitmap = QImage(640, 480, QImage::Format_RGB888);
        c.pictures[size_t(slot)].bitmap.fill(Qt::gray);
    }
    return c;
}

struct Signer
{
    QTemporaryDir dir;
    std::optional<SigningIdentity> identity;
    Signer()
    {
        const auto run = [this](const QStringList &arguments) {
            QProcess p;
            p.setWorkingDirectory(dir.path());
            p.start(QStringLiteral("openssl"), arguments);
            return p.waitForFinished(60000) && p.exitCode() == 0;
        };
        if (run({"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "k.pem", "-out", "c.pem", "-days", "2",
                 "-subj", "/CN=Bench Signer"})
            && run({"pkcs12", "-export", "-inkey", "k.pem", "-in", "c.pem", "-out", "s.p12", "-passout", "pass:b"}))
            identity = SigningIdentity::open(dir.filePath("s.p12"), "b", QDateTime::currentDateTime());
    }
};

void BM_ProtocolUnsigned(benchmark::State &state)
{
    const ReportContent content = typicalProtocol();
    for (auto _ : state) {
        TzPdf pdf;
        composeReport(pdf, content);
        benchmark::DoNotOptimize(pdf.data().size());
    }
}
BENCHMARK(BM_ProtocolUnsigned)->Unit(benchmark::kMillisecond);

void BM_ProtocolSigned(benchmark::State &state)
{
    static const Signer signer;
    if (!signer.identity) {
        state.SkipWithError("no signing certificate (openssl)");
        return;
    }
    const ReportContent content = typicalProtocol();
    ProtocolFinish finish;
    finish.attachments = protocolAttachments(QStringLiteral("Project_20261211_1627_.zPRJ"),
                                             QByteArray(20000, 'p'), QByteArray(300, 'j'));
    finish.signer = &*signer.identity;
    finish.signingTime = content.when;
    for (auto _ : state) {
        TzPdf pdf;
        composeReport(pdf, content, {}, finish);
        benchmark::DoNotOptimize(pdf.data().size());
    }
}
BENCHMARK(BM_ProtocolSigned)->Unit(benchmark::kMillisecond);

} // namespace
