// zirk-cli verify, and what signing a protocol asks of the terminal.
#include "Commands.h"

#include "JsonWriter.h"

#include "base/CodePage.h"
#include "base/ErrorHandling.h"
#include "pdf/PdfSignature.h"
#include "project/ProjectFile.h"
#include "project/ProjectMeasurement.h"
#include "project/ProtocolProject.h"
#include "report/ProtocolRecord.h"
#include "safety/DistanceStandard.h"
#include "settings/LanguageTexts.h"

#include <QBuffer>
#include <QFile>

#include <cmath>
#include <cstdio>
#include <termios.h>
#include <unistd.h>

namespace {

// The password from the terminal itself, not echoed: standard input may be
// a pipe of something else, and a password on the screen is a password
// read over a shoulder.
QByteArray passwordFromTerminal(const QString &certificate)
{
    FILE *tty = std::fopen("/dev/tty", "r+");
    if (!tty)
        throw badInput(QStringLiteral("no terminal to ask the password of %1 on: give --password-file FILE")
                           .arg(certificate));
    const int fd = fileno(tty);
    termios saved{};
    const bool isTerminal = tcgetattr(fd, &saved) == 0;
    if (isTerminal) {
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(fd, TCSAFLUSH, &quiet);
    }
    const QByteArray prompt = QStringLiteral("Password of %1: ").arg(certificate).toLocal8Bit();
    std::fwrite(prompt.constData(), 1, size_t(prompt.size()), tty);
    std::fflush(tty);
    QByteArray password;
    for (int c = std::fgetc(tty); c != EOF && c != '\n'; c = std::fgetc(tty))
        password.append(char(c));
    if (isTerminal)
        tcsetattr(fd, TCSAFLUSH, &saved);
    std::fputc('\n', tty);
    std::fclose(tty);
    if (password.endsWith('\r'))
        password.chop(1);
    return password;
}

void runVerify(const Arguments &arguments)
{
    const QString fileName = arguments.files().constFirst();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw badInput(QStringLiteral("%1: %2").arg(fileName, file.errorString()));
    const QByteArray pdf = file.readAll();
    if (!looksLikePdf(pdf))
        throw badInput(QStringLiteral("%1: not a PDF file").arg(fileName));
    const QString caFile = arguments.value("--ca").value_or(QString());
    if (!caFile.isEmpty() && !QFile::exists(caFile))
        throw badInput(QStringLiteral("%1: no such file").arg(caFile));

    useProjectCodePage();
    const ProtocolVerification verification = verifyProtocol(pdf, caFile);
    const PdfSignatureCheck &signature = verification.signature;
    const std::optional<ProtocolSummary> &computed = verification.computed;
    const QString certificateText = verification.certificateText();
    if (arguments.json()) {
        JsonWriter json;
        json.beginObject();
        json.member("signed", signature.isSigned);
        json.member("intact", signature.isSigned && signature.intact);
        json.member("whole_file", signature.isSigned && signature.wholeFile);
        json.key("signer");
        signature.signer.isEmpty() ? json.null() : json.value(signature.signer);
        json.key("signed_at");
        signature.signedAt.isValid() ? json.value(signature.signedAt.toString(Qt::ISODate)) : json.null();
        json.member("timestamped", signature.timestamped);
        json.key("certificate");
        signature.isSigned ? json.value(certificateText) : json.null();
        json.key("measurement");
        if (computed) {
            json.beginObject();
            json.member("governing_ms", computed->governingMs);
            json.member("distance_mm", computed->minimumMm);
            json.key("verdict");
            computed->verdict.isEmpty() ? json.null() : json.value(computed->verdict);
            json.endObject();
        } else {
            json.null();
        }
        json.member("matches_printed", verification.matchesPrinted);
        json.endObject();
        writeJson(json);
    } else {
        writeText(verification.text());
    }

    if (!signature.isSigned)
        throw badInput(QStringLiteral("%1 is not signed").arg(fileName));
    if (!verification.unchanged())
        throw badInput(QStringLiteral("%1 was changed after signing").arg(fileName));
    if (!verification.matchesPrinted)
        throw badInput(QStringLiteral("%1: %2").arg(fileName, verification.measurementText));
    if (!signature.trusted)
        throw CliError{ExitUntrusted, QStringLiteral("%1: the certificate is not trusted (%2)")
                                          .arg(fileName, signature.trustProblem)};
}

} // namespace

QByteArray signingPassword(const Arguments &arguments, const QString &certificate)
{
    const std::optional<QString> passwordFile = arguments.value("--password-file");
    if (!passwordFile)
        return passwordFromTerminal(certificate);
    QFile file(*passwordFile);
    if (!file.open(QIODevice::ReadOnly))
        throw badInput(QStringLiteral("%1: %2").arg(*passwordFile, file.errorString()));
    QByteArray line = file.readLine();
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return line;
}

std::vector<Command> protocolCommands()
{
    return {
        {{"verify", "verify PROTOCOL.pdf [--ca FILE.pem]", "check a signed protocol and the result it prints",
          {{"--ca", "FILE.pem", "the certificates to trust (default: the system's)", false, true}},
          "PROTOCOL.pdf", 1, 1,
          "Checks the protocol's digital signature over its byte ranges, that those\n"
          "ranges cover the whole file (nothing was appended after signing) and the\n"
          "signer's certificate chain against --ca or the system's certificates, at\n"
          "the time of signing (the time stamp's, where one vouches for it).  Then it\n"
          "computes the statistics, the distance and the verdict again from the\n"
          "measurement the protocol carries and compares them with the printed\n"
          "result it also carries.  A result this version computes otherwise from an\n"
          "intact protocol (a rule that changed since) is \"computed differently by\n"
          "this version\", never \"changed\".\n\n"
          "Exit status: 0 when the protocol is signed, intact, its result follows\n"
          "from its measurement and its certificate is trusted; 3 when all but the\n"
          "trust holds; 1 otherwise.\n\n"
          "JSON: {\"signed\", \"intact\", \"whole_file\", \"signer\", \"signed_at\", \"timestamped\",\n"
          "\"certificate\", \"measurement\": {\"governing_ms\", \"distance_mm\", \"verdict\"},\n"
          "\"matches_printed\"}\n"},
         runVerify},
    };
}
