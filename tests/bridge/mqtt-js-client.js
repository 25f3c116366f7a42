// MQTT.js, a client the bridge's code did not come from, drives a projector
// through the broker: power on through warm-up, an input, a mute, then a
// new client reads the retained state. Exit 0 when all of it holds.
// node mqtt-js-client.js URL PREFIX PROJECTOR
const mqtt = require("mqtt");
const [url, prefix, projector] = process.argv.slice(2);
const base = `${prefix}/${projector}`;
const fail = (why) => { console.error(`mqtt-js-client: ${why}`); process.exit(1); };
setTimeout(() => fail("timed out"), 60000);

// Resolves with the first state that `holds`, once `send` (topic, payload) is published.
function stateWhere(client, holds, send) {
  return new Promise((resolve) => {
    const onMessage = (topic, payload) => {
      const state = topic === `${base}/state` && JSON.parse(payload.toString());
      if (state && holds(state)) {
        client.removeListener("message", onMessage);
        resolve(state);
      }
    };
    client.on("message", onMessage);
    if (send) client.publish(`${base}/${send[0]}`, send[1], { qos: 1 });
  });
}

(async () => {
  const client = await mqtt.connectAsync(url, { reconnectPeriod: 0 });
  await client.subscribeAsync(`${base}/#`, { qos: 1 });
  await stateWhere(client, (s) => s.power === "standby");
  await stateWhere(client, (s) => s.power === "on", ["set/power", "ON"]);
  await stateWhere(client, (s) => s.input === "Computer 2 Analog RGB", ["set/input", "Computer 2 Analog RGB"]);
  await stateWhere(client, (s) => s.audio_mute === true, ["set/audio_mute", "ON"]);
  await client.endAsync();

  const reader = await mqtt.connectAsync(url, { reconnectPeriod: 0 });
  const retained = stateWhere(reader, () => true);
  await reader.subscribeAsync(`${base}/state`, { qos: 1 });
  const state = await retained;
  if (state.power !== "on" || state.input !== "Computer 2 Analog RGB" || state.audio_mute !== true)
    fail(`the retained state is ${JSON.stringify(state)}`);
  await reader.endAsync();
  process.exit(0);
})().catch((e) => fail(e.message || String(e)));
