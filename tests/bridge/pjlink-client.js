// The bridge through an independent PJLink client: the npm package "pjlink"
// (the library ioBroker's adapter builds on). Usage:
//   node pjlink-client.js PORT [PASSWORD] [wrong|silent]
// "wrong": the password is wrong and every call must fail with ERRA.
// "silent": the projector never answers; every call must be answered, the
// projector's with ERR4, before the client's own 5 s timeout drops it.
'use strict';
const assert = require('assert');
const PJLink = require('pjlink');

const [port, password, mode] = process.argv.slice(2);
const projector = new PJLink({host: '127.0.0.1', port: Number(port), password: password || null,
                               timeout: mode === 'silent' ? 5000 : 0});

// A call of the client's callback API as a promise of its results.
function call(method, ...args) {
    return new Promise((resolve, reject) => {
        projector[method](...args, (err, ...results) => (err ? reject(err) : resolve(results)));
    });
}

async function until(method, expected) {
    for (let i = 0; i < 100; ++i) {
        const [value] = await call(method);
        if (value === expected)
            return;
        await new Promise((resolve) => setTimeout(resolve, 100));
    }
    assert.fail(`${method} never became ${expected}`);
}

async function wrongPassword() {
    await assert.rejects(call('getClass'), /Authorization failed/);
    console.log('ok - a wrong password is refused (ERRA)');
}

async function session() {
    assert.deepStrictEqual(await call('getClass'), ['1']);
    assert.deepStrictEqual(await call('getManufacturer'), ['ORVA']);
    assert.deepStrictEqual(await call('getModel'), ['RM740']);
    assert.deepStrictEqual(await call('getName'), ['Room-101']);
    console.log('ok - class, manufacturer, model, name');

    assert.deepStrictEqual(await call('getPowerState'), [PJLink.POWER.OFF]);
    await call('powerOn');
    assert.deepStrictEqual(await call('getPowerState'), [PJLink.POWER.WARMING_UP]);
    await until('getPowerState', PJLink.POWER.ON);
    console.log('ok - power on through warm-up');

    await call('setInput', {source: 'digital', channel: 2});
    const [input] = await call('getInput');
    assert.strictEqual(input.code, '32');
    await call('setInput', '21');
    assert.strictEqual((await call('getInput'))[0].code, '21');
    const [inputs] = await call('getInputs');
    assert.deepStrictEqual(inputs.map((i) => i.code), ['11', '12', '21', '22', '23', '24', '31', '32']);
    console.log('ok - inputs set, read and listed');

    await call('setMute', true);  // this client's true is the picture alone ("11")
    assert.deepStrictEqual((await call('getMute'))[0], {audio: false, video: true});
    await call('setMute', {video: true, audio: true});
    assert.deepStrictEqual((await call('getMute'))[0], {audio: true, video: true});
    await call('setMute', false);
    assert.deepStrictEqual((await call('getMute'))[0], {audio: false, video: false});
    console.log('ok - mutes');

    assert.deepStrictEqual((await call('getLamps'))[0], [{hours: 123, on: true}]);
    assert.deepStrictEqual(await call('getErrors'), [null]);
    console.log('ok - lamps and errors');

    await call('powerOff');
    assert.deepStrictEqual(await call('getPowerState'), [PJLink.POWER.COOLING_DOWN]);
    await until('getPowerState', PJLink.POWER.OFF);
    console.log('ok - power off through cooling');
}

async function silentProjector() {
    assert.deepStrictEqual(await call('getClass'), ['1']);
    assert.deepStrictEqual(await call('getName'), ['Room-101']);
    const steps = [['getPowerState'], ['powerOn'], ['setMute', true], ['getMute'], ['setInput', '21'],
                   ['getInput'], ['getLamps'], ['getErrors'], ['powerOff']];
    for (const [method, ...args] of steps)
        await assert.rejects(call(method, ...args), /Projector\/Display failure/, method);
    assert.deepStrictEqual(await call('getModel'), ['RM740']);
    console.log('ok - a silent projector: every step answered, ERR4 for the projector\'s');
}

(mode === 'wrong' ? wrongPassword() : mode === 'silent' ? silentProjector() : session())
    .then(() => { projector.disconnect(); process.exit(0); })
    .catch((error) => { console.error(`not ok - ${error.stack || error}`); process.exit(1); });
