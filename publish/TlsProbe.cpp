// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/TlsProbe.h"

#include "core/UniqueFd.h"

#include <QCoreApplication>
#include <QFile>

#include <arpa/inet.h>
#include <memory>
#include <netdb.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <sys/socket.h>
#include <sys/time.h>

namespace
{

// A connected socket to host:port with send and receive timeouts, or none.
UniqueFd connectTo(const QString &host, int port, int timeoutMs)
{
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    if (::getaddrinfo(host.toUtf8().constData(), QByteArray::number(port).constData(), &hints,
                      &found) != 0)
        return UniqueFd();
    const std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> list(found, &::freeaddrinfo);
    const timeval limit{timeoutMs / 1000, suseconds_t(timeoutMs % 1000) * 1000};
    for (const addrinfo *a = found; a; a = a->ai_next) {
        UniqueFd fd(::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol));
        if (!fd.isValid())
            continue;
        ::setsockopt(fd.get(), SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        ::setsockopt(fd.get(), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        if (::connect(fd.get(), a->ai_addr, a->ai_addrlen) == 0)
            return fd;
    }
    return UniqueFd();
}

} // namespace

QString TlsProbe::refusal(const QString &host, int port, const QString &caFile, int timeoutMs)
{
    const UniqueFd fd = connectTo(host, port, timeoutMs);
    if (!fd.isValid())
        return {};
    const std::unique_ptr<SSL_CTX, decltype(&::SSL_CTX_free)> ctx(SSL_CTX_new(TLS_client_method()),
                                                                  &::SSL_CTX_free);
    if (!ctx)
        return {};
    const bool loaded = caFile.isEmpty()
                            ? SSL_CTX_set_default_verify_paths(ctx.get()) == 1
                            : SSL_CTX_load_verify_locations(
                                  ctx.get(), QFile::encodeName(caFile).constData(), nullptr) == 1;
    if (!loaded)
        return QCoreApplication::translate("TlsProbe", "the CA file cannot be read");
    const std::unique_ptr<SSL, decltype(&::SSL_free)> ssl(SSL_new(ctx.get()), &::SSL_free);
    if (!ssl)
        return {};
    X509_VERIFY_PARAM *param = SSL_get0_param(ssl.get());
    const QByteArray name = host.toUtf8();
    in6_addr address{};
    const bool isAddress = ::inet_pton(AF_INET, name.constData(), &address) == 1 ||
                           ::inet_pton(AF_INET6, name.constData(), &address) == 1;
    if (!isAddress) {
        X509_VERIFY_PARAM_set1_host(param, name.constData(), size_t(name.size()));
        SSL_set_tlsext_host_name(ssl.get(), name.constData());
    } else {
        X509_VERIFY_PARAM_set1_ip_asc(param, name.constData());
    }
    SSL_set_fd(ssl.get(), fd.get());
    SSL_connect(ssl.get());
    if (!SSL_get0_peer_certificate(ssl.get()))
        return {};
    const long result = SSL_get_verify_result(ssl.get());
    if (result == X509_V_OK)
        return {};
    return QString::fromUtf8(X509_verify_cert_error_string(result));
}
