// Drives the hub as a lighting program would, with the npm package openrgb-sdk: reads the
// controller list, sets Direct and sends one colour to every LED, tries a built-in mode, then
// reads the profile list and loads the profile of that name.
// Usage: node drive.js PORT MODE_INDEX PROFILE_NAME. Prints one JSON line per step.
const { Client } = require("openrgb-sdk")

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms))

async function main() {
    const port = Number(process.argv[2])
    const modeIndex = Number(process.argv[3])
    const profileName = process.argv[4]
    const client = new Client("Zanvor test client", port, "127.0.0.1")
    await client.connect()

    const count = await client.getControllerCount()
    const device = await client.getControllerData(0)
    console.log(JSON.stringify({
        step: "list",
        count,
        name: device.name,
        vendor: device.vendor,
        type: device.type,
        zones: device.zones.map((z) => ({ name: z.name, type: z.type, ledsCount: z.ledsCount })),
        modes: device.modes.map((m) => m.name),
        leds: device.leds.length,
        colors: device.colors.length,
    }))

    await client.updateMode(0, "Direct")
    const colour = { red: 0x12, green: 0x34, blue: 0x56 }
    for (let i = 0; i < 10; i++) {
        await client.updateLeds(0, Array(device.colors.length).fill(colour))
        await sleep(30)
    }
    await sleep(300)
    console.log(JSON.stringify({ step: "direct" }))

    await client.updateMode(0, device.modes[modeIndex].name)
    await sleep(300)
    console.log(JSON.stringify({ step: "mode", name: device.modes[modeIndex].name }))

    const profiles = await client.getProfileList()
    console.log(JSON.stringify({ step: "profiles", names: profiles }))
    await client.loadProfile(profileName)
    await sleep(300)
    console.log(JSON.stringify({ step: "load", name: profileName }))
    await client.disconnect()
}

main().catch((error) => {
    console.error(String(error))
    process.exit(1)
})
