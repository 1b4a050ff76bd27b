OPENQASM 3.0;
qubit[3] q;
rx(0.5) q[0];
ry(-1.25) q[1];
rz(3.0) q[0];
rz(0.0000001) q[1];
rx(2.0) q[1];
prx(0.125, -0.5) q[2];
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
