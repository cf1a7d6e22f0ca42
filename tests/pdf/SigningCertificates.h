#pragma once
// A test certificate authority made at run time with the openssl command:
// a CA, a signer's PKCS#12 in today's ciphers and in the legacy ones (RC2,
// 3DES), one without its private key, and a time-stamp authority.  No key
// is kept beyond the test's temporary folder.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class SigningCertificates
{
public:
    SigningCertificates()
    {
        const QString d = m_dir.path();
        write(QStringLiteral("ext.cnf"),
              "[leaf]\nbasicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature,nonRepudiation\n"
              "extendedKeyUsage=emailProtection\nsubjectKeyIdentifier=hash\nauthorityKeyIdentifier=keyid\n"
              "[tsa]\nbasicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\n"
              "extendedKeyUsage=critical,timeStamping\nsubjectKeyIdentifier=hash\nauthorityKeyIdentifier=keyid\n");
        m_ok = openssl({"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key", "-out", "ca.pem",
                        "-days", "30", "-subj", "/CN=Zirk Test CA", "-addext", "basicConstraints=critical,CA:TRUE",
                        "-addext", "keyUsage=critical,keyCertSign,cRLSign"})
               && issue("signer", "/CN=Test Signer", "leaf") && issue("tsa", "/CN=Zirk Test TSA", "tsa")
               && openssl({"pkcs12", "-export", "-inkey", "signer.key", "-in", "signer.pem", "-certfile", "ca.pem",
                           "-out", "signer.p12", "-passout", "pass:" + password()})
               && openssl({"pkcs12", "-export", "-legacy", "-inkey", "signer.key", "-in", "signer.pem", "-certfile",
                           "ca.pem", "-out", "legacy.p12", "-passout", "pass:" + password()})
               && openssl({"pkcs12", "-export", "-nokeys", "-in", "signer.pem", "-out", "nokey.p12", "-passout",
                           "pass:" + password()});
        write(QStringLiteral("password.txt"), password().toUtf8() + "\n");
        write(QStringLiteral("tsaserial"), "01\n");
        write(QStringLiteral("ts.cnf"), "[tsa]\ndefault_tsa = tsa1\n[tsa1]\nserial = " + path("tsaserial").toUtf8()
                                            + "\nsigner_cert = " + path("tsa.pem").toUtf8()
                                            + "\nsigner_key = " + path("tsa.key").toUtf8()
                                            + "\ncerts = " + path("ca.pem").toUtf8()
                                            + "\ndefault_policy = 1.2.3.4.1\ndigests = sha256\n"
                                              "signer_digest = sha256\ness_cert_id_alg = sha256\n"
                                              "accuracy = secs:1\n");
        (void)d;
    }

    bool ok() const { return m_ok; }
    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }
    static QString password() { return QStringLiteral("s3cret pass"); }

    // An NSS database that trusts the CA, for pdfsig -nssdir.
    QString nssDatabase() const
    {
        const QString db = path("nss");
        if (!QDir(db).exists()) {
            QDir().mkpath(db);
            run(QStringLiteral("certutil"), {"-N", "-d", "sql:" + db, "--empty-password"});
            run(QStringLiteral("certutil"), {"-A", "-d", "sql:" + db, "-n", "Zirk Test CA", "-t", "CT,C,C", "-i",
                                             path("ca.pem")});
        }
        return "sql:" + db;
    }

    bool run(const QString &program, const QStringList &arguments) const
    {
        QProcess p;
        p.setWorkingDirectory(m_dir.path());
        p.start(program, arguments);
        return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }

private:
    bool openssl(const QStringList &arguments) const { return run(QStringLiteral("openssl"), arguments); }
    bool issue(const QString &name, const QString &subject, const QString &extensions) const
    {
        return openssl({"req", "-newkey", "rsa:2048", "-nodes", "-keyout", name + ".key", "-out", name + ".csr",
                        "-subj", subject})
               && openssl({"x509", "-req", "-in", name + ".csr", "-CA", "ca.pem", "-CAkey", "ca.key",
                           "-CAcreateserial", "-out", name + ".pem", "-days", "10", "-extfile", "ext.cnf",
                           "-extensions", extensions});
    }
    void write(const QString &name, const QByteArray &bytes) const
    {
        QFile f(m_dir.filePath(name));
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
    }

    QTemporaryDir m_dir;
    bool m_ok = false;
};
