OPENQASM 3.0;
qubit[1] q;
rx(-0.5) q[0];
ry(3.0) q[0];
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
