// Preloaded before the package's own example scripts, which connect to the usual server port:
// sends their connection to the port of the hub under test (ZANVOR_SDK_PORT) instead, so the
// examples run unchanged next to anything else on the machine.
const net = require("net")

const port = Number(process.env.ZANVOR_SDK_PORT)
const connect = net.Socket.prototype.connect
net.Socket.prototype.connect = function (...args) {
    if (args[0] === 6742 && port > 0) {
        args[0] = port
    }
    return connect.apply(this, args)
}
