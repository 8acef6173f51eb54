#pragma once

#include "engine/check/address_families.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace pellavane {

/** The route to the rest of the world, as the kernel holds it. */
struct DefaultRoute
{
    /** The router the route names, as ping takes it ("192.0.2.1", "fe80::1%eth0"); empty for a route
     *  straight onto a link (a point-to-point link has no router to ask). */
    std::string gateway;
    /** The interface the route leaves by. */
    std::string interfaceName;
};

/** What the machine knows of its own network at one moment. */
struct LocalNetworkState
{
    /** Some interface other than loopback is up. */
    bool interfaceUp = false;
    /** The first IPv4 default route, or the IPv6 one when there is no IPv4 route; nullopt when there
     *  is neither. */
    std::optional<DefaultRoute> route;
    /** Each family's own default route, for the blame of that family alone. */
    std::optional<DefaultRoute> ipv4Route;
    std::optional<DefaultRoute> ipv6Route;

    /** The same state as seen by one family: route is that family's. */
    LocalNetworkState ForFamily(AddressFamily family) const;
};

/** The machine's own routes, interfaces and neighbours, read from the kernel without starting a
 *  program. */
class ILocalNetwork
{
public:
    virtual ~ILocalNetwork() = default;
    /** Routes and interfaces now; a table that cannot be read counts as empty. Never throws. */
    virtual LocalNetworkState Read() = 0;
    /** Whether the kernel's neighbour table holds address (as gateway gives it) as reachable on the
     *  link: confirmed lately, or entered by hand. Never throws. */
    virtual bool NeighbourReachable(const std::string& address) = 0;
    /** Which families have a default route and an address of global scope now; read every check,
     *  so it must be cheap. A table that cannot be read counts as empty. Never throws. */
    virtual ConfiguredFamilies Families() = 0;
};

/** The platform's own tables. */
std::unique_ptr<ILocalNetwork> MakeSystemLocalNetwork();

/** The first usable IPv4 default route of /proc/net/route's text: up, not a reject route, the
 *  lowest metric, ties to the first listed; nullopt when none. */
std::optional<DefaultRoute> Ipv4DefaultRoute(std::string_view procNetRoute);

/** The same for /proc/net/ipv6_route's text; a link-local router is named with its interface
 *  ("fe80::1%eth0"), as ping needs it. */
std::optional<DefaultRoute> Ipv6DefaultRoute(std::string_view procNetIpv6Route);

/** Whether /proc/net/if_inet6's text holds a usable address of global scope: one still in its
 *  duplicate address detection (unless optimistic) or that failed it does not count; a deprecated
 *  one does, since the kernel still sends from it when it has nothing better. */
bool HasGlobalIpv6Address(std::string_view procNetIfInet6);

/** Whether an IPv4 address (four bytes in network order) is of global scope: not 0.0.0.0/8, not
 *  loopback, not link-local (169.254.0.0/16). */
bool IsGlobalIpv4Address(const unsigned char* bytes);

/** Sixteen bytes of an IPv6 address written the short way ("fe80::1", "2001:db8::2:1"). */
std::string Ipv6Text(const unsigned char* bytes);

/** A check's cause from the machine's own network, for a check that found every target silent:
 *  "no network", "local network" or "provider". */
std::string LocalNetworkCause(const LocalNetworkState& state, bool routerAnswered, bool neighbourReachable);

/** What a cause means, for a person: "the router answers, the Internet does not" for "provider",
 *  and the like for every cause a check can have; a cause it does not know, as it stands. */
std::string CauseSentence(const std::string& cause);

} // namespace pellavane
