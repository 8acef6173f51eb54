#pragma once

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
};

/** The platform's own tables. */
std::unique_ptr<ILocalNetwork> MakeSystemLocalNetwork();

/** The first usable IPv4 default route of /proc/net/route's text: up, not a reject route, the
 *  lowest metric, ties to the first listed; nullopt when none. */
std::optional<DefaultRoute> Ipv4DefaultRoute(std::string_view procNetRoute);

/** The same for /proc/net/ipv6_route's text; a link-local router is named with its interface
 *  ("fe80::1%eth0"), as ping needs it. */
std::optional<DefaultRoute> Ipv6DefaultRoute(std::string_view procNetIpv6Route);

/** Sixteen bytes of an IPv6 address written the short way ("fe80::1", "2001:db8::2:1"). */
std::string Ipv6Text(const unsigned char* bytes);

/** A check's cause from the machine's own network, for a check that found every target silent:
 *  "no network", "local network" or "provider". */
std::string LocalNetworkCause(const LocalNetworkState& state, bool routerAnswered, bool neighbourReachable);

/** What a cause means, for a person: "the router answers, the Internet does not" for "provider",
 *  and the like for every cause a check can have; a cause it does not know, as it stands. */
std::string CauseSentence(const std::string& cause);

} // namespace pellavane
