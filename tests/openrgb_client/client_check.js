// An OpenRGB SDK client none of us wrote, the npm package openrgb-sdk, against kbconfig's server:
// it lists the keyboard and its modes, sets a mode with speed and brightness and a side light
// mode, and the server keeps answering after the packets a device without per-LED colours has no
// use for (custom mode, LED colours). Prints what it saw; ends with 1 on the first surprise.
//
// Usage: node client_check.js <port> [host]
"use strict"
const { Client } = require("openrgb-sdk")

const port = Number(process.argv[2])
const host = process.argv[3] || "127.0.0.1"

function fail(text) {
  console.error("FAILED: " + text)
  process.exit(1)
}

function describe(mode) {
  const values = []
  if (mode.flags & 1) values.push(`speed ${mode.speed} (${mode.speedMin}-${mode.speedMax})`)
  if (mode.flags & 16) values.push(`brightness ${mode.brightness} (${mode.brightnessMin}-${mode.brightnessMax})`)
  return `${String(mode.id).padStart(2)} ${mode.name}${values.length ? ": " + values.join(", ") : ""}`
}

async function main() {
  const client = new Client("kbconfig client check", port, host)
  await client.connect()
  console.log(`connected to ${host}:${port}, protocol version ${client.protocolVersion}`)
  const count = await client.getControllerCount()
  if (count !== 2) fail(`${count} controllers, expected 2`)
  const keyboard = await client.getControllerData(0)
  const side = await client.getControllerData(1)
  for (const controller of [keyboard, side]) {
    console.log(`controller "${controller.name}" (type ${controller.type}, ${controller.modes.length} modes, ` +
                `${controller.leds.length} LED, active mode ${controller.activeMode})`)
    for (const mode of controller.modes) console.log("  " + describe(mode))
  }
  if (keyboard.type !== 5 || side.type !== 5) fail("the controllers are not keyboards")
  if (keyboard.modes.length !== 20 || side.modes.length !== 12) fail("not 20 effects and 12 side effects")
  const cycle = keyboard.modes.find((mode) => mode.name === "Spectrum cycle")
  if (!cycle || cycle.id !== 9 || cycle.speedMax !== 4 || cycle.brightnessMax !== 4) fail("Spectrum cycle is not mode 9 with speed and brightness 0-4")

  await client.updateMode(0, { name: "Spectrum cycle", speed: 3, brightness: 2 })
  await client.updateMode(1, { id: 4, brightness: 6 })
  console.log('set "Spectrum cycle" with speed 3 and brightness 2, side light mode 4 with brightness 6')
  // Nothing for a device without per-LED colours to do; the lighting stays as set.
  client.setCustomMode(0)
  client.updateLeds(0, [{ red: 255, green: 0, blue: 0 }])
  client.updateSingleLed(1, 0, { red: 0, green: 255, blue: 0 })

  const keyboardAfter = await client.getControllerData(0)
  const sideAfter = await client.getControllerData(1)
  const chosen = keyboardAfter.modes[keyboardAfter.activeMode]
  console.log(`after: keyboard mode ${describe(chosen)}; side light mode ${describe(sideAfter.modes[sideAfter.activeMode])}`)
  if (keyboardAfter.activeMode !== 9 || chosen.speed !== 3 || chosen.brightness !== 2) fail("the keyboard did not take the mode")
  if (sideAfter.activeMode !== 4 || sideAfter.modes[4].brightness !== 6) fail("the side light did not take the mode")
  client.disconnect()
  console.log("ok")
}

main().catch((error) => fail(String(error && error.stack ? error.stack : error)))
